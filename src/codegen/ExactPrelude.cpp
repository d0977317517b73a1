#include "codegen/ExactPrelude.h"

#include <map>
#include <vector>

namespace exact_prelude {

namespace {

struct CHelper {
    const char* name;
    std::vector<const char*> needs; // helpers (or headers) it uses
    const char* code;
};

// In the order they are written; a helper comes after those it needs.
const std::vector<CHelper>& Helpers()
{
    static const std::vector<CHelper> helpers = {
        { kIsTrue, {},
            "/* A value is true when it is above or below zero: NaN is false. */\n"
            "static int is_true(double v)\n"
            "{\n"
            "    return v < 0 || v > 0;\n"
            "}\n" },
        { kBoth, {},
            "/* && and || that evaluate both sides, as the run does. */\n"
            "static int both(double a, double b)\n"
            "{\n"
            "    return a != 0 && b != 0;\n"
            "}\n" },
        { kEither, {},
            "static int either(double a, double b)\n"
            "{\n"
            "    return a != 0 || b != 0;\n"
            "}\n" },
        { kToInt, { "stdint" },
            "/* The integer meaning of a value (for %, bit operators, subscripts, abs,\n"
            "   srand): truncated toward zero; NaN and values beyond 32 bits give the\n"
            "   smallest integer. */\n"
            "static int32_t to_int(double v)\n"
            "{\n"
            "    if (!(v > -2147483649.0 && v < 2147483648.0))\n"
            "        return INT32_MIN;\n"
            "    return (int32_t)v;\n"
            "}\n" },
        { kFail, { "stdlib" },
            "/* An evaluation error ends the run: the message (unless the text that\n"
            "   failed is not known), then the error line. */\n"
            "static void fail(const char *message, const char *text)\n"
            "{\n"
            "    if (text != NULL)\n"
            "        printf(\"%s\\n\", message);\n"
            "    printf(\"Error -- \\\"%s\\\"\\n\", text != NULL ? text : message);\n"
            "    exit(1);\n"
            "}\n" },
        { kDivide, { kFail },
            "/* Division by a value that may be zero; `text` is the failing box text. */\n"
            "static double divide(double a, double b, const char *text)\n"
            "{\n"
            "    if (b >= 0 && b <= 0)\n"
            "        fail(\"Division by ZERO.\", text);\n"
            "    return a / b;\n"
            "}\n" },
        { kMod, { kToInt, kFail },
            "/* % works on the integer meanings; the remainder has the sign of a. */\n"
            "static double mod(double a, double b, const char *text)\n"
            "{\n"
            "    int32_t x = to_int(a), y = to_int(b);\n"
            "    if (y == 0)\n"
            "        fail(\"Division by ZERO.\", text);\n"
            "    return y == -1 ? 0.0 : (double)(x % y);\n"
            "}\n" },
        { kBitAnd, { kToInt },
            "/* Bit operators work on the integer meanings. */\n"
            "static double bit_and(double a, double b)\n"
            "{\n"
            "    return (double)(to_int(a) & to_int(b));\n"
            "}\n" },
        { kBitOr, { kToInt },
            "static double bit_or(double a, double b)\n"
            "{\n"
            "    return (double)(to_int(a) | to_int(b));\n"
            "}\n" },
        { kBitXor, { kToInt },
            "static double bit_xor(double a, double b)\n"
            "{\n"
            "    return (double)(to_int(a) ^ to_int(b));\n"
            "}\n" },
        { kShiftLeft, { kToInt },
            "/* Shifts count modulo 32. */\n"
            "static double shift_left(double a, double b)\n"
            "{\n"
            "    return (double)(int32_t)((uint32_t)to_int(a) << ((uint32_t)to_int(b) & 31u));\n"
            "}\n" },
        { kShiftRight, { kToInt },
            "static double shift_right(double a, double b)\n"
            "{\n"
            "    return (double)(to_int(a) >> ((uint32_t)to_int(b) & 31u));\n"
            "}\n" },
        { kIntAbs, { kToInt },
            "/* abs works on the integer meaning. */\n"
            "static double int_abs(double v)\n"
            "{\n"
            "    double i = to_int(v);\n"
            "    return i < 0 ? -i : i;\n"
            "}\n" },
        { "rand_state", { "stdint" },
            "/* rand(): 0 to 32767 from a linear congruential generator, seeded with 1\n"
            "   when the program starts. */\n"
            "static uint32_t rand_state = 1;\n" },
        { kNextRand, { "rand_state" },
            "static double next_rand(void)\n"
            "{\n"
            "    rand_state = rand_state * 214013u + 2531011u;\n"
            "    return (double)((rand_state >> 16) & 0x7FFFu);\n"
            "}\n" },
        { kSeedRand, { "rand_state", kToInt },
            "/* srand(seed): reseeds; its value is 0. */\n"
            "static double seed_rand(double seed)\n"
            "{\n"
            "    rand_state = (uint32_t)to_int(seed);\n"
            "    return 0;\n"
            "}\n" },
        { kGaussian, { kNextRand, "math" },
            "/* gaussianrand(mean, sd): the Box-Muller transform of two draws. */\n"
            "static double gaussianrand(double mean, double sd)\n"
            "{\n"
            "    double u1 = next_rand() * (1.0 / 32768.0);\n"
            "    double u2 = next_rand() * (1.0 / 32768.0);\n"
            "    return mean + sd * sqrt(-2.0 * log(u1)) * cos(6.2832 * u2);\n"
            "}\n" },
        { kNum, { "string" },
            "/* A value as the chart prints it: \"%f\" without its trailing zeros. */\n"
            "static const char *num(double v)\n"
            "{\n"
            "    static char text[NUM_SLOTS][330];\n"
            "    static int next;\n"
            "    char *s = text[next];\n"
            "    size_t n;\n"
            "    next = (next + 1) % NUM_SLOTS;\n"
            "    snprintf(s, sizeof text[0], \"%f\", v);\n"
            "    n = strlen(s);\n"
            "    if (n > 0 && s[n - 1] == '0') {\n"
            "        while (s[n - 1] == '0')\n"
            "            n--;\n"
            "        if (s[n - 1] == '.')\n"
            "            n--;\n"
            "        s[n] = '\\0';\n"
            "    }\n"
            "    return s;\n"
            "}\n" },
        { kArray, { "stdint", "stdlib", "string", "stdarg" },
            "/* Arrays grow as they are used: any subscripts, and an element never\n"
            "   assigned reads as 0. The elements live in a hash table keyed by their\n"
            "   subscripts; get() reads one, put() gives its place, making it. */\n"
            "typedef struct {\n"
            "    size_t rank, count, size;\n"
            "    int32_t *keys;\n"
            "    double *values;\n"
            "    unsigned char *used;\n"
            "} array;\n"
            "\n"
            "static size_t slot_of(const array *a, const int32_t *key)\n"
            "{\n"
            "    uint32_t h = 2166136261u;\n"
            "    size_t i, at;\n"
            "    for (i = 0; i < a->rank; i++)\n"
            "        h = (h ^ (uint32_t)key[i]) * 16777619u;\n"
            "    at = h & (a->size - 1);\n"
            "    while (a->used[at] && memcmp(&a->keys[at * a->rank], key, a->rank * sizeof *key) != 0)\n"
            "        at = (at + 1) & (a->size - 1);\n"
            "    return at;\n"
            "}\n"
            "\n"
            "static void read_key(const array *a, va_list args, int32_t *key)\n"
            "{\n"
            "    size_t i;\n"
            "    for (i = 0; i < a->rank; i++)\n"
            "        key[i] = va_arg(args, int32_t);\n"
            "}\n" },
        { kGet, { kArray },
            "static double get(array *a, ...)\n"
            "{\n"
            "    int32_t key[10];\n"
            "    va_list args;\n"
            "    size_t at;\n"
            "    va_start(args, a);\n"
            "    read_key(a, args, key);\n"
            "    va_end(args);\n"
            "    if (a->size == 0)\n"
            "        return 0;\n"
            "    at = slot_of(a, key);\n"
            "    return a->used[at] ? a->values[at] : 0;\n"
            "}\n" },
        { kPut, { kArray },
            "static void grow(array *a)\n"
            "{\n"
            "    array bigger = *a;\n"
            "    size_t i;\n"
            "    bigger.size = a->size ? a->size * 2 : 16;\n"
            "    bigger.keys = malloc(bigger.size * a->rank * sizeof *a->keys);\n"
            "    bigger.values = malloc(bigger.size * sizeof *a->values);\n"
            "    bigger.used = calloc(bigger.size, 1);\n"
            "    if (bigger.keys == NULL || bigger.values == NULL || bigger.used == NULL) {\n"
            "        fputs(\"out of memory\\n\", stderr);\n"
            "        exit(1);\n"
            "    }\n"
            "    for (i = 0; i < a->size; i++) {\n"
            "        if (a->used[i]) {\n"
            "            size_t at = slot_of(&bigger, &a->keys[i * a->rank]);\n"
            "            memcpy(&bigger.keys[at * a->rank], &a->keys[i * a->rank], a->rank * sizeof *a->keys);\n"
            "            bigger.values[at] = a->values[i];\n"
            "            bigger.used[at] = 1;\n"
            "        }\n"
            "    }\n"
            "    free(a->keys);\n"
            "    free(a->values);\n"
            "    free(a->used);\n"
            "    *a = bigger;\n"
            "}\n"
            "\n"
            "static double *put(array *a, ...)\n"
            "{\n"
            "    int32_t key[10];\n"
            "    va_list args;\n"
            "    size_t at;\n"
            "    va_start(args, a);\n"
            "    read_key(a, args, key);\n"
            "    va_end(args);\n"
            "    if (2 * (a->count + 1) > a->size)\n"
            "        grow(a);\n"
            "    at = slot_of(a, key);\n"
            "    if (!a->used[at]) {\n"
            "        memcpy(&a->keys[at * a->rank], key, a->rank * sizeof *key);\n"
            "        a->values[at] = 0;\n"
            "        a->used[at] = 1;\n"
            "        a->count++;\n"
            "    }\n"
            "    return &a->values[at];\n"
            "}\n" },
        { kReadNumber, { "stdlib" },
            "/* One input line as a number: leading blanks skipped, 0 when it is not a\n"
            "   number. When the input has run out, the run stops with status 3. */\n"
            "static double read_number(void)\n"
            "{\n"
            "    static char *line;\n"
            "    static size_t size;\n"
            "    size_t n = 0;\n"
            "    int c = 0;\n"
            "    fflush(stdout);\n"
            "    while ((c = getchar()) != EOF) {\n"
            "        if (n + 2 > size) {\n"
            "            size = size ? size * 2 : 256;\n"
            "            line = realloc(line, size);\n"
            "            if (line == NULL) {\n"
            "                fputs(\"out of memory\\n\", stderr);\n"
            "                exit(1);\n"
            "            }\n"
            "        }\n"
            "        line[n++] = (char)c;\n"
            "        if (c == '\\n')\n"
            "            break;\n"
            "    }\n"
            "    if (n == 0) {\n"
            "        fputs(\"standard input ended while an input box was reading; the run was stopped\\n\", stderr);\n"
            "        exit(3);\n"
            "    }\n"
            "    line[n] = '\\0';\n"
            "    return strtod(line, NULL);\n"
            "}\n" },
        { kFixed6, { "stdlib", "math" },
            "/* A counting loop keeps its limit and step as \"%f\" writes them: rounded\n"
            "   to six decimals. The words inf and nan read as unset variables. */\n"
            "static double fixed6(double v)\n"
            "{\n"
            "    char text[330];\n"
            "    if (isinf(v) || isnan(v))\n"
            "        return signbit(v) ? -0.0 : 0.0;\n"
            "    snprintf(text, sizeof text, \"%f\", v);\n"
            "    return strtod(text, NULL);\n"
            "}\n" },
    };
    return helpers;
}

void AddWithNeeds(const std::string& name, std::set<std::string>& all)
{
    if (!all.insert(name).second)
        return;
    for (const CHelper& helper : Helpers())
        if (name == helper.name)
            for (const char* need : helper.needs)
                AddWithNeeds(need, all);
}

} // namespace

const std::set<std::string>& ReservedNames()
{
    static const std::set<std::string> names = [] {
        std::set<std::string> n = {
            // C keywords (C99 and later), and names the headers declare
            "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else", "enum",
            "extern", "float", "for", "goto", "if", "inline", "int", "long", "register", "restrict", "return",
            "short", "signed", "sizeof", "static", "struct", "switch", "typedef", "union", "unsigned", "void",
            "volatile", "while", "bool", "true", "false", "alignas", "alignof", "asm", "typeof", "main",
            "printf", "fprintf", "snprintf", "sprintf", "puts", "fputs", "putchar", "getchar", "fflush", "stdout",
            "stderr", "stdin", "EOF", "NULL", "FILE", "exit", "malloc", "calloc", "realloc", "free", "strtod",
            "atof", "rand", "srand", "abs", "labs", "div", "memcmp", "memcpy", "strlen", "size_t", "va_list",
            "va_start", "va_arg", "va_end", "int32_t", "uint32_t", "INT32_MIN", "errno", "key", "args", "at",
            "sin", "cos", "tan", "sqrt", "exp", "pow", "acos", "asin", "atan", "atan2", "ceil", "cosh", "fabs",
            "floor", "log", "log10", "sinh", "tanh", "fmod", "frexp", "ldexp", "modf", "isinf", "isnan",
            "signbit", "copysign", "round", "trunc", "j0", "j1", "jn", "y0", "y1", "yn", "gamma", "lgamma",
            "tgamma", "erf", "erfc", "exp2", "log2", "cbrt", "hypot", "remainder", "nan", "HUGE_VAL",
            "INFINITY", "NAN", "rand_state", "slot_of", "read_key", "get", "put", "grow", "line", "text",
            "NUM_SLOTS",
        };
        for (const CHelper& helper : Helpers())
            n.insert(helper.name);
        return n;
    }();
    return names;
}

std::string Text(const std::set<std::string>& used, int numSlots)
{
    std::set<std::string> all;
    for (const std::string& name : used)
        AddWithNeeds(name, all);
    std::string out = "#include <stdio.h>\n";
    for (const char* header : { "stdlib", "string", "stdarg", "stdint", "math" })
        if (all.count(header))
            out += std::string("#include <") + header + ".h>\n";
    bool first = true;
    for (const CHelper& helper : Helpers()) {
        if (!all.count(helper.name))
            continue;
        if (first) {
            out += "\n/* ---- the run's rules that plain C does not share ---- */\n";
            if (all.count(kNum))
                out += "\n#define NUM_SLOTS " + std::to_string(numSlots < 1 ? 1 : numSlots) + "\n";
            first = false;
        }
        out += "\n";
        out += helper.code;
    }
    return out;
}

} // namespace exact_prelude
