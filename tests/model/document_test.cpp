#include "model/CArchive.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "model/FileIO.h"
#include "ModelTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

std::vector<std::string> DirectoryEntries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void AddSimple(CTavrinDoc& doc, const std::string& text)
{
    doc.m_root.m_boxes.push_back(std::make_unique<CSimpleBox>(50, 75, 150, 25));
    doc.m_root.m_boxes.back()->m_text = text;
}

} // namespace

TEST(Document, StartsEmptyWithTheSimpleTool)
{
    CTavrinDoc doc;
    EXPECT_EQ(doc.m_minWidth, 600);
    EXPECT_EQ(doc.m_minHeight, 400);
    EXPECT_EQ(doc.m_tool, 0x800Du);
    EXPECT_TRUE(doc.m_root.m_boxes.empty());
    EXPECT_FALSE(doc.IsModified());
}

TEST(Document, SaveAndLoadRoundTripAndClearTheModifiedFlag)
{
    const std::string dir = TempDir("document-roundtrip");
    const std::string path = dir + "/chart.pad";
    CTavrinDoc doc;
    AddSimple(doc, "a=1");
    doc.SetModifiedFlag();
    doc.Save(path);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(DirectoryEntries(dir), std::vector<std::string> { "chart.pad" });

    CTavrinDoc other;
    other.SetModifiedFlag();
    other.Load(path);
    EXPECT_FALSE(other.IsModified());
    EXPECT_EQ(Shape(other.m_root), "S\"a=1\"");
    // Saved again over the old file, still one file.
    AddSimple(other, "b");
    other.Save(path);
    EXPECT_EQ(DirectoryEntries(dir), std::vector<std::string> { "chart.pad" });
    doc.Load(path);
    EXPECT_EQ(Shape(doc.m_root), "S\"a=1\"S\"b\"");
}

TEST(Document, LoadFailuresNameTheReasonAndKeepTheChart)
{
    const std::string dir = TempDir("document-load");
    WriteFileBytes(dir + "/bad.pad", "\x01\x00\x00\x00\x01");
    CTavrinDoc doc;
    AddSimple(doc, "keep");
    doc.SetModifiedFlag();

    try {
        doc.Load(dir + "/missing.pad");
        ADD_FAILURE();
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), dir + "/missing.pad");
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
    try {
        doc.Load(dir);
        ADD_FAILURE();
    } catch (const CFileError& e) {
        EXPECT_NE(std::string(e.what()).find("directory"), std::string::npos) << e.what();
    }
    EXPECT_THROW(doc.Load(dir + "/bad.pad"), CFileFormatError);
    EXPECT_EQ(Shape(doc.m_root), "S\"keep\"");
    EXPECT_TRUE(doc.IsModified());
}

TEST(Document, FailedSavesLeaveTheOldFileIntact)
{
    const std::string dir = TempDir("document-save");
    const std::string path = dir + "/chart.pad";
    WriteFileBytes(path, "old bytes");
    CTavrinDoc doc;
    AddSimple(doc, "new");
    AddSimple(doc, "more than sixteen bytes in all");
    doc.SetModifiedFlag();

    if (::geteuid() != 0) {
        // A directory that cannot be written: no temporary, no rename.
        ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
        EXPECT_THROW(doc.Save(path), CFileError);
        ::chmod(dir.c_str(), 0755);
        EXPECT_EQ(ReadFileBytes(path), "old bytes");
        EXPECT_TRUE(doc.IsModified());
    }
    {
        // A write that fails half-way (as on a full disk): files may grow to
        // 16 bytes only, and the chart needs more.
        struct rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 16;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        bool failed = false;
        try {
            doc.Save(path);
        } catch (const CFileError& e) {
            failed = e.Reason().find("large") != std::string::npos;
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, oldHandler);
        EXPECT_TRUE(failed);
    }
    EXPECT_EQ(ReadFileBytes(path), "old bytes");
    EXPECT_EQ(DirectoryEntries(dir), std::vector<std::string> { "chart.pad" });

    // Saving onto a directory fails cleanly, whoever runs the test.
    std::filesystem::create_directory(dir + "/sub.pad");
    try {
        doc.Save(dir + "/sub.pad");
        ADD_FAILURE();
    } catch (const CFileError& e) {
        EXPECT_EQ(e.Path(), dir + "/sub.pad");
    }
    EXPECT_THROW(doc.Save(dir + "/no/such/dir/chart.pad"), CFileError);
    // The old file is untouched and no temporary is left behind.
    EXPECT_EQ(ReadFileBytes(path), "old bytes");
    EXPECT_EQ(DirectoryEntries(dir), (std::vector<std::string> { "chart.pad", "sub.pad" }));
    EXPECT_TRUE(doc.IsModified());
}

// The other names of a hard-linked chart see what was saved, and no
// temporary file is left beside it.
TEST(Document, SaveKeepsHardLinks)
{
    const std::string dir = TempDir("document-hardlink");
    const std::string path = dir + "/chart.pad";
    WriteFileBytes(path, std::string(10000, 'o')); // longer than the new bytes
    ASSERT_EQ(::link(path.c_str(), (dir + "/other.pad").c_str()), 0);
    CTavrinDoc doc;
    AddSimple(doc, "x");
    doc.Save(path);
    EXPECT_EQ(ReadFileBytes(dir + "/other.pad"), doc.SaveToBytes());
    EXPECT_EQ(ReadFileBytes(path), doc.SaveToBytes());
    EXPECT_EQ(DirectoryEntries(dir), (std::vector<std::string> { "chart.pad", "other.pad" }));
}

TEST(Document, SaveFollowsSymbolicLinksAndKeepsPermissions)
{
    const std::string dir = TempDir("document-link");
    const std::string target = dir + "/real.pad";
    WriteFileBytes(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink("real.pad", dir + "/link.pad");
    CTavrinDoc doc;
    AddSimple(doc, "x");
    doc.Save(dir + "/link.pad");
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.pad"));
    EXPECT_EQ(ReadFileBytes(target), doc.SaveToBytes());
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
