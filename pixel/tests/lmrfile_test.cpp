// The pixel project file: exact bytes, the version gate and bad input.

#include <sys/stat.h>

#include "foundation/fxrevpropstore.h"
#include "pixel/lmrogjpixel.h"
#include "pixel/tests/pixeltesting.h"

namespace {

const auto* const g_diagnostics = ::testing::AddGlobalTestEnvironment(new pixeltest::DiagnosticsOn);

using pixeltest::EngineTest;
using LmrFileTest = EngineTest;

std::string Int32(DWORD v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

// A project file's store with a plane of `planeBytes` bytes (each pixel
// `pixel`) and the three version keys at `version`.
CFxRevPropStore ProjectStore(int planeBytes, DWORD pixel = 0x00FF00, int version = 100) {
    CFxRevPropStore store;
    std::string plane;
    for (int i = 0; i + 4 <= planeBytes; i += 4) plane += Int32(pixel);
    plane.resize(static_cast<size_t>(planeBytes), '\0');
    CRevolver block;
    block.Append(plane.data(), static_cast<int>(plane.size()));
    store.SetRevolver("ogjpixel", block);
    store.SetInt("erqversion", version);
    store.SetInt("frqversion", version);
    store.SetInt("grqversion", version);
    return store;
}

std::string StoreBytes(const CFxRevPropStore& store) {
    CRevolver bytes;
    store.ToRevolver(bytes);
    std::string out(static_cast<size_t>(bytes.GetLength()), '\0');
    bytes.ReadAt(out.data(), bytes.GetLength(), 0);
    return out;
}

TEST_F(LmrFileTest, FileHoldsTheFiveKeysInTheStoreFormat) {
    EXPECT_EQ(LmrGetVersionNumber(), 101);
    canvas.SetJPixelByOSLPoint(0, 0, 0x0A0B0C);
    canvas.SetJPixelByOSLPoint(255, 207, 0x000000);
    canvas.SetPGInfo(1, 1, 0x123, CLmrOGJPixel::kPGMark, 0);
    const std::string path = testsupport::MakeTempFolder() + "/a.lmr";
    ASSERT_EQ(canvas.OGJPixelToFile(path), 1);
    const std::string bytes = testsupport::ReadFileBytes(path);
    auto intItem = [](const std::string& key, int v) {
        return "\x23" + std::string(1, static_cast<char>(key.size())) + key + Int32(v);
    };
    const std::string head = intItem("erqversion", 100) + intItem("frqversion", 100) +
                             intItem("grqversion", 100) + "\x04\x08ogjpixel" + Int32(212992);
    ASSERT_EQ(bytes.size(), head.size() + 212992 + intItem("wrversion", 101).size());
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    EXPECT_EQ(bytes.substr(head.size(), 8), Int32(0x0A0B0C) + Int32(0xFFFFFF));
    EXPECT_EQ(bytes.substr(head.size() + 212988, 4), Int32(0));
    EXPECT_EQ(bytes.substr(head.size() + 212992), intItem("wrversion", 101));

    // Read back into a canvas with other content: the plane comes back, the
    // layer is left as it was.
    CLmrOGJPixel other;
    other.SetPGInfo(5, 5, 0x7, CLmrOGJPixel::kPGMark, 0);
    ASSERT_EQ(other.OGJPixelFromFile(path), 1);
    EXPECT_EQ(pixeltest::Snapshot(other), pixeltest::Snapshot(canvas));
    EXPECT_EQ(other.GetPGInfoByOSLPoint(5, 5), 0x1000007u);
    EXPECT_EQ(other.GetPGInfoByOSLPoint(1, 1), 0u);
    EXPECT_TRUE(ui.messages.empty());
    // A stored value reads back as a 24-bit colour, never as -1.
    for (DWORD stored : {0xFFFFFFFFu, 0x12345678u}) {
        ProjectStore(212992, stored).ToFile(path);
        ASSERT_EQ(canvas.OGJPixelFromFile(path), 1);
        EXPECT_EQ(canvas.GetJPixelByOSLPoint(17, 9), static_cast<int>(stored & 0xFFFFFF));
    }
}

TEST_F(LmrFileTest, VersionGateWarnsOrRefuses) {
    struct Case {
        int e, f, g;
        int result;
        const char* message;
    };
    const Case cases[] = {
        {101, 101, 101, 1, nullptr},
        {102, 100, 100, 1,
         "Orvanta version is old. Some elements could be omitted. Please "
         "upgrade your Dravik."},
        {102, 102, 100, 1, "Orvanta version is old. Data may appear mixed-up. Please upgrade."},
        {100, 100, 102, 0, nullptr},
    };
    const std::string path = testsupport::MakeTempFolder() + "/v.lmr";
    for (const Case& c : cases) {
        ui.messages.clear();
        canvas.OGJPClear();
        CFxRevPropStore store = ProjectStore(212992, 0x000000);
        store.SetInt("erqversion", c.e);
        store.SetInt("frqversion", c.f);
        store.SetInt("grqversion", c.g);
        store.ToFile(path);
        EXPECT_EQ(canvas.OGJPixelFromFile(path), c.result) << c.e << c.f << c.g;
        EXPECT_EQ(canvas.GetJPixelByOSLPoint(0, 0), c.result ? 0 : 0xFFFFFF);
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, c.message);
            EXPECT_EQ(ui.messages[0].caption, "Unsuitable Program Version");
            EXPECT_EQ(ui.messages[0].type & MB_TYPEMASK, MB_OK);
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}

TEST_F(LmrFileTest, BadFilesFailWithAReasonAndLeaveBothPlanesAlone) {
    const std::string folder = testsupport::MakeTempFolder();
    const std::string good = StoreBytes(ProjectStore(212992));
    std::mt19937 random(3);
    std::string noise(5000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    CFxRevPropStore textPlane = ProjectStore(0);
    textPlane.RenameKey("ogjpixel", "x");
    textPlane.SetString("ogjpixel", std::string(212992, 'a'));
    CFxRevPropStore intPlane = ProjectStore(0);
    intPlane.RenameKey("ogjpixel", "x");
    intPlane.SetInt("ogjpixel", 1);
    CFxRevPropStore noPlane = ProjectStore(0);
    noPlane.RenameKey("ogjpixel", "x");
    CFxRevPropStore noVersion = ProjectStore(212992);
    noVersion.RenameKey("frqversion", "x");
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", "", "2.0"},
        {"noise", noise, "1.1"},
        {"truncated in the plane", good.substr(0, good.size() / 2), "1.1"},
        {"plane one pixel short", StoreBytes(ProjectStore(212988)), "5.0"},
        {"no plane", StoreBytes(noPlane), "4.0"},
        {"plane as text", StoreBytes(textPlane), "4.0"},
        {"plane as integer", StoreBytes(intPlane), "4.0"},
        {"a version missing", StoreBytes(noVersion), "2.0"},
        {"larger than any project", good + std::string(kMaxLmrFileBytes, '\0'), "1.0"},
    };
    pixeltest::ReasonLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/bad.lmr";
        testsupport::WriteFileBytes(path, c.bytes);
        pixeltest::FillRandom(canvas, 11);
        canvas.SetPGInfo(9, 9, 0x55, CLmrOGJPixel::kPGMark, 0);
        const std::vector<int> before = pixeltest::Snapshot(canvas);
        const std::vector<DWORD> layer = pixeltest::PGSnapshot(canvas);
        const size_t logged = log.Text().size();
        EXPECT_EQ(canvas.OGJPixelFromFile(path), 0);
        EXPECT_EQ(pixeltest::Snapshot(canvas), before);
        EXPECT_EQ(pixeltest::PGSnapshot(canvas), layer);
        EXPECT_NE(log.Text().find(std::string("OGJPixelFromFile Fail Reason ") + c.reason, logged),
                  std::string::npos)
            << log.Text().substr(logged);
    }
    // Not a regular file, or no file at all.
    const std::string fifo = folder + "/fifo.lmr";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(canvas.OGJPixelFromFile(fifo), 0);
    EXPECT_EQ(canvas.OGJPixelFromFile(folder + "/missing.lmr"), 0);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
