// The C text of each box kind and the program frame around it.

#include "CodegenSupport.h"

#include "model/CBoxSequence.h"
#include "exec/CMemoryConsole.h"
#include "model/CMemoryEditor.h"
#include "interp/CRandom.h"
#include "model/CSimpleBox.h"
#include "codegen/CodeGenerator.h"
#include "base/Codec.h"
#include "model/Outline.h"
#include "base/Texts.h"

#include <gtest/gtest.h>

using codegen_test::Generate;
using codegen_test::Parse;

namespace {

struct Case {
    const char* outline;
    const char* body; // main's lines before "return 0;", declarations first
};

void ExpectBodies(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outline);
        const std::string program = Generate(c.outline);
        const auto parsed = Parse(program);
        ASSERT_TRUE(parsed.framed) << program;
        EXPECT_EQ(parsed.body, c.body);
    }
}

TEST(CodegenFrame, EmptyChartIsTheBareFrame)
{
    EXPECT_EQ(Generate(""), "#include <stdio.h>\n\nint main(){\n    return 0;\n}\n");
}

TEST(CodegenFrame, IncludesFollowTheFunctionsUsed)
{
    struct Row {
        const char* outline;
        std::vector<std::string> includes;
    };
    const std::vector<Row> rows {
        { "simple: x = 1", { "#include <stdio.h>" } },
        { "simple: x = sqrt(2)", { "#include <stdio.h>", "#include <math.h>" } },
        // rand, srand and abs live in <stdlib.h>; every built-in name still
        // asks for <math.h>.
        { "simple: x = rand()", { "#include <stdio.h>", "#include <math.h>", "#include <stdlib.h>" } },
        { "pre-loop: i = 0, 3\n  output: abs(i)", { "#include <stdio.h>", "#include <math.h>", "#include <stdlib.h>" } },
        { "branch: x\n  else\n    simple: y = floor(x)", { "#include <stdio.h>", "#include <math.h>" } },
        // Sin is an ordinary name.
        { "simple: y = Sin(x)", { "#include <stdio.h>" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.outline);
        EXPECT_EQ(Parse(Generate(row.outline)).includes, row.includes);
    }
}

TEST(CodegenFrame, DeclarationsInOrderOfFirstUse)
{
    ExpectBodies({
        { "simple: x = sqrt(2)", "    double x;\n    x = sqrt(2);\n" },
        { "simple: a = b + c", "    double a,b,c;\n    a = b + c;\n" },
        { "simple: a[i] = i", "    double a[256],i;\n    a[i] = i;\n" },
        // An array initialiser moves into the declaration line whole.
        { "simple: a[3] = {1, 2, 3}", "    double a[3] = {1, 2, 3};\n" },
        { "simple: a[3] = {1, 2, 3}\noutput: a[0], b", "    double a[3] = {1, 2, 3},b;\n    printf(\"%lf %lf \\n\",a[0],b);\n" },
        // Once each, in the form first met; case matters.
        { "simple: a = 0\nsimple: a[1] = 5\nsimple: A = a", "    double a,A;\n    a = 0;\n    a[1] = 5;\n    A = a;\n" },
        // Container texts come before their arms, then before else.
        { "branch: p > q\n  then\n    simple: t = 1\n  else\n    simple: e = 2\nsimple: z = t",
            "    double p,q,t,e,z;\n    if(p > q){\n        t = 1;\n    }\n    else{\n        e = 2;\n    }\n    z = t;\n" },
        // A name first met subscripted in a condition is an array too.
        { "branch: a[i] > 0", "    double a[256],i;\n    if(a[i] > 0){\n    }\n    else{\n    }\n" },
        { "pre-loop: k < n && v[k] != 0", "    double k,n,v[256];\n    while(k < n && v[k] != 0){\n    }\n" },
    });
}

TEST(CodegenBoxes, SimpleAndBranch)
{
    ExpectBodies({
        { "simple", "" },
        { "simple: a = 1, b = 2", "    double a,b;\n    a = 1; b = 2;\n" },
        { "simple: break", "    break;\n" },
        // Only the commas between statements become semicolons.
        { "simple: x = pow(a, 2)", "    double x,a;\n    x = pow(a, 2);\n" },
        { "simple: x = atan2(y, z), w = m[f(1, 2)]", "    double x,y,z,w,m[256],f;\n    x = atan2(y, z); w = m[f(1, 2)];\n" },
        { "simple: s = \"a, b\", t = 1", "    double s,t;\n    s = \"a, b\"; t = 1;\n" },
        { "branch: x", "    double x;\n    if(x){\n    }\n    else{\n    }\n" },
        { "branch", "    if(){\n    }\n    else{\n    }\n" },
    });
}

TEST(CodegenBoxes, PreTestLoopHeaders)
{
    struct Row {
        const char* header;
        const char* line;
    };
    const std::vector<Row> rows {
        { "i = 1, 10, 2", "for(i=1;i<=10;i+=2){" },
        { "i = 10, 1, -1", "for(i=10;i>=1;i+=-1){" },
        // The run steps upward by default.
        { "i = 1, 10", "for(i=1;i<=10;i++){" },
        { "i = 10, 1", "for(i=10;i>=1;i++){" },
        // A bound that names a variable: the run counts up unless the start
        // exceeds it; only a constant negative step says down.
        { "i = 1, n", "for(i=1;i<=n;i++){" },
        { "i = n, 1, -1", "for(i=n;i>=1;i+=-1){" },
        { "i = 1, n, k", "for(i=1;i<=n;i+=k){" },
        { "i = 2, sqrt(16)", "for(i=2;i<=sqrt(16);i++){" },
        { "i = 20, sqrt(16), 1", "for(i=20;i>=sqrt(16);i+=1){" },
        // The step runs to the end; commas inside calls stay in their item.
        { "i = 1, 10, 2, 3", "for(i=1;i<=10;i+=2,3){" },
        { "i = pow(2, 3), 100", "for(i=pow(2,3);i<=100;i++){" },
        // Joined tokens never fuse into others.
        { "i = 1, n - -1", "for(i=1;i<=n- -1;i++){" },
        { "i = 1, 10, + +2", "for(i=1;i<=10;i+=+ +2){" },
        { "x < 3", "while(x < 3){" },
        { "", "while(){" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.header);
        const std::string outline = std::string("pre-loop: ") + row.header + "\n  simple: y = 1";
        const auto parsed = Parse(Generate(outline));
        ASSERT_TRUE(parsed.framed);
        EXPECT_NE(parsed.body.find("\n    " + std::string(row.line) + "\n        y = 1;\n    }\n"), std::string::npos)
            << parsed.body;
    }
}

TEST(CodegenBoxes, PostTestLoops)
{
    ExpectBodies({
        { "post-loop: x > 0\n  simple: x--", "    double x;\n    do{\n        x--;\n    }while(x > 0);\n" },
        { "post-loop", "    do{\n    }while();\n" },
        // A counting header is written as typed, spacing and all.
        { "post-loop: i = 1, 10\n  output: i", "    double i;\n    do{\n        printf(\"%lf \\n\",i);\n    }while(i = 1, 10);\n" },
        { "post-loop: i = 1, 10, 2", "    double i;\n    do{\n    }while(i = 1, 10, 2);\n" },
    });
}

TEST(CodegenBoxes, OutputLists)
{
    struct Row {
        const char* text;
        const char* line;
    };
    const std::vector<Row> rows {
        { "\"x = \", x", "printf(\"x = %lf \\n\",x);" },
        { "a, b + 1", "printf(\"%lf %lf \\n\",a,b+1);" },
        // An operator in front of an item is printed as text.
        { "-a", "printf(\"-%lf \\n\",a);" },
        { "++a, !a", "printf(\"++%lf !%lf \\n\",a,a);" },
        { "-2, %a, -(x)", "printf(\"-%lf %%%lf -%lf \\n\",(double)(2),a,(x));" },
        // A call with several arguments is one value.
        { "pow(a, 2), atan2(y, x)", "printf(\"%lf %lf \\n\",pow(a,2),atan2(y,x));" },
        // A conversion of a string takes the next value, as the run does.
        { "\"y = %5.2f\", y", "printf(\"y = %5.2f\\n\",y);" },
        { "\"%f and %f\", a", "printf(\"%f and %f\\n\",a,0.0);" },
        { "\"%f\", \"x\", a", "printf(\"%f%lf \\n\",0.0,a);" },
        // The value a conversion takes is the whole item, operator included.
        { "\"%5.2f|\", -x", "printf(\"%5.2f|\\n\",-x);" },
        { "\"%5.2f\", -x, !x", "printf(\"%5.2f!%lf \\n\",-x,x);" },
        { "\"%5.2f|\", ++x", "printf(\"%5.2f|\\n\",++x);" },
        // Anything else with a percent sign prints as it stands.
        { "\"100% of %d\"", "printf(\"100%% of %%d\\n\");" },
        { "\"%%f\", a", "printf(\"%%%f\\n\",a);" },
        // Ints for "%lf" are converted.
        { "a > b, 5, 2.5, abs(x)", "printf(\"%lf %lf %lf %lf \\n\",(double)(a>b),(double)(5),2.5,(double)(abs(x)));" },
        // Escapes print what the run prints.
        { "\"a\\tb\\n\"", "printf(\"a\\tb\\n\\n\");" },
        { "\"C:\\dir\"", "printf(\"C:\\\\dir\\n\");" },
        { "\"what?\?!\"", "printf(\"what?\\?!\\n\");" },
        { "\"日本語\", k", "printf(\"日本語%lf \\n\",k);" },
        // Its backslash second byte stays part of the character.
        { "\"表示\"", "printf(\"表示\\n\");" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const auto parsed = Parse(Generate(std::string("output: ") + row.text));
        ASSERT_TRUE(parsed.framed);
        EXPECT_NE(("\n" + parsed.body).find("\n    " + std::string(row.line) + "\n"), std::string::npos) << parsed.body;
    }
    ExpectBodies({ { "output", "" } });
}

TEST(CodegenBoxes, InputLists)
{
    ExpectBodies({
        { "input: a, b", "    double a,b;\n    scanf(\"%lf%lf\",&a,&b);\n" },
        // Elements stay whole, and the array is declared as one.
        { "input: a[i]", "    double a[256],i;\n    scanf(\"%lf\",&a[i]);\n" },
        { "input: n, m[n - 1], \"ignored\", sqrt", "    double n,m[256];\n    scanf(\"%lf%lf\",&n,&m[n-1]);\n" },
        { "input", "" },
    });
}

TEST(CodegenBoxes, NestingIndentsFourSpacesPerLevel)
{
    ExpectBodies({
        { "pre-loop: i = 1, 3\n"
          "  branch: i > 1\n"
          "    then\n"
          "      post-loop: j < i\n"
          "        simple: j++\n"
          "    else\n"
          "      simple: continue\n"
          "output: i",
            "    double i,j;\n"
            "    for(i=1;i<=3;i++){\n"
            "        if(i > 1){\n"
            "            do{\n"
            "                j++;\n"
            "            }while(j < i);\n"
            "        }\n"
            "        else{\n"
            "            continue;\n"
            "        }\n"
            "    }\n"
            "    printf(\"%lf \\n\",i);\n" },
    });
}

// A loop header that fails to evaluate while generating: its message stays
// on the console, the loop becomes a while loop, and generation goes on to
// the end and the exit prompt.
TEST(CodegenFailures, FailingHeaderBecomesWhile)
{
    CRootSequence root;
    codegen_test::Build("pre-loop: i = 1, 10 / n\n  output: i\nsimple: z = 2", root);
    CMemoryConsole console;
    GenerateCode(root, console);
    EXPECT_TRUE(console.Finished());
    const std::string out = codec::Cp932ToUtf8(console.Output());
    EXPECT_NE(out.find("int main(){\n    double i,n,z;\nDivision by ZERO.\n    while(i = 1, 10 / n){\n"
                       "        printf(\"%lf \\n\",i);\n    }\n    z = 2;\n    return 0;\n}\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(out.substr(out.size() - CConsole::kExitPrompt.size()), CConsole::kExitPrompt);
}

// Ill-formed texts give ill-formed C, never a crash, and every generation
// reaches the end of the program.
TEST(CodegenFailures, GarbageTextsGenerateToTheEnd)
{
    const std::vector<std::string> garbage {
        "", ",", ",,,", "\"", "\"unclosed, string", "2e+x", "1e", "a[[[", ")))", "]]]]", "((((((((((", "{", "}",
        "= = =", "%", "%%f", "\\", "??", "a[1][2][3][4][5][6][7][8][9][10][11][12]", "break continue",
        "\x83\x5C\x83\x5Cn", "i = 1, , , ,", "i = , 1", "i, 10", "1, 2, 3", "\"s\", 10", "sin = 1", "rand(5), 1",
        "i = 1, 10, ", "a b c", "x = 1\ny = 2", std::string(2000, '('), std::string(3000, ','),
    };
    const char* kinds[] = { "simple", "branch", "pre-loop", "post-loop", "output", "input" };
    for (const char* kind : kinds) {
        for (const std::string& text : garbage) {
            SCOPED_TRACE(std::string(kind) + ": " + text.substr(0, 40));
            CRootSequence root;
            codegen_test::Build(std::string(kind) + "\nsimple: last = 1", root);
            root.m_boxes.front()->m_text = text;
            CMemoryConsole console;
            GenerateCode(root, console);
            EXPECT_TRUE(console.Finished());
            EXPECT_NE(console.Output().find("    last = 1;\n    return 0;\n}\n"), std::string::npos);
        }
    }
}

// No fixed buffers: long texts and long declaration lines come out whole.
TEST(CodegenFailures, LongTextsComeOutWhole)
{
    std::string sum = "s = 0";
    std::string outline;
    for (int i = 0; i < 400; ++i)
        sum += " + v" + std::to_string(i);
    std::string literal(3000, 'x');
    outline = "simple: " + sum + "\noutput: \"" + literal + "\", s\n";
    const auto parsed = Parse(Generate(outline));
    ASSERT_TRUE(parsed.framed);
    EXPECT_NE(parsed.body.find("    " + sum + ";\n"), std::string::npos);
    EXPECT_NE(parsed.body.find(",v399;\n"), std::string::npos);
    EXPECT_NE(parsed.body.find("printf(\"" + literal + "%lf \\n\",s);"), std::string::npos);
}

// Generation reads the boxes' texts and leaves them as the user wrote them,
// with or without editors, so a chart saved afterwards is unchanged.
TEST(CodegenState, TextsAreLeftAsWritten)
{
    const char* outline = "simple: a[3] = {1, 2, 3}\n"
                          "simple: x = 1, y = pow(x, 2)\n"
                          "pre-loop: i = 1, 10\n"
                          "  post-loop: j = 1, 3\n"
                          "    output: \"%f\", a[i], -j\n"
                          "    input: a[i]\n";
    CRootSequence root;
    codegen_test::Build(outline, root);
    const std::string before = DumpOutline(root);
    const std::string first = GenerateCodeText(root);
    EXPECT_EQ(DumpOutline(root), before);
    EXPECT_EQ(GenerateCodeText(root), first);

    // With an editor, the live text is what counts.
    CMemoryEditorHost host;
    auto& box = *root.m_boxes[1];
    box.m_editor = host.CreateEditor(box);
    static_cast<CMemoryEditor&>(*box.m_editor).m_text = "x = 2, y = 3";
    const std::string edited = codec::Cp932ToUtf8(GenerateCodeText(root));
    EXPECT_NE(edited.find("    x = 2; y = 3;\n"), std::string::npos) << edited;
    EXPECT_EQ(box.m_text, "x = 2, y = 3");
}

// Evaluating headers while generating must not move the run's random
// sequence: a later run would otherwise draw other numbers.
TEST(CodegenState, RandomSequenceUntouched)
{
    CRandom::Seed(99);
    const int expected = CRandom::Next();
    CRootSequence root;
    codegen_test::Build("pre-loop: i = rand(), 10\npre-loop: k = srand(5), 3\npre-loop: g = gaussianrand(0, 1), 2", root);
    CRandom::Seed(99);
    const std::string program = codec::Cp932ToUtf8(GenerateCodeText(root));
    EXPECT_EQ(CRandom::Next(), expected);
    EXPECT_NE(program.find("for(i=rand();i<=10;i++){"), std::string::npos) << program;
}

} // namespace
