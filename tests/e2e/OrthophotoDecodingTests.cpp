// The orthophoto's Base64 text is decoded straight into the picture's handle: the handle must hold
// what the plain decoder gives for the text's 8-bit form, whatever the text holds besides letters.

#include <random>

#include "../module/PlainAlgorithms.hpp"
#include "PlacementHarness.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::Session;

namespace {

// The letter-by-letter decoder over the 8-bit form of the text.
std::string PlainDecode(const std::string& text)
{
    const std::vector<char> bytes = plain::DecodeBase64(text);
    return std::string(bytes.begin(), bytes.end());
}

json Args(const std::string& text)
{
    return json::array({text, 100, 60, 1000, 2000, 1, 1, 0, 0, "Ortofoto", "plan", "", ""});
}

}  // namespace

TEST(OrthophotoDecoding, TheHandleHoldsThePlainDecodersBytesForCleanAndBrokenTexts)
{
    std::mt19937 random(29);
    const char* const extras[] = {"\r\n", "\n", " ", "=", "==", "-", "_", "\xc3\xa1", "%", "A", "AB", "ABC"};
    for (int round = 0; round < 40; ++round) {
        std::string image(static_cast<std::size_t>(random() % 200), '\0');
        for (char& byte : image)
            byte = static_cast<char>(random());
        if (round % 3 == 0 && image.size() >= 4)
            image.replace(0, 4, "\x89PNG");
        std::string text = sim::EncodeBase64(image);
        // Some texts stay clean; the others get line breaks, blanks, stray letters and foreign bytes.
        for (int insert = round % 2 ? static_cast<int>(random() % 4) + 1 : 0; insert > 0; --insert) {
            const char* extra = extras[random() % std::size(extras)];
            text.insert(random() % (text.size() + 1), extra);
        }
        const std::string expected = PlainDecode(text);

        Session session;
        const std::string reply = session.Call("PlaceOrthophoto", Args(text));
        const json pictures = ElementsOfType(session.Project(), "picture");
        if (expected.empty()) {
            EXPECT_EQ(reply, "kod=-2130313112 ") << text;
            EXPECT_TRUE(pictures.empty());
            continue;
        }
        ASSERT_EQ(pictures.size(), 1u) << reply;
        EXPECT_EQ(pictures[0]["byteCount"], expected.size()) << text;
        EXPECT_EQ(PlainDecode(pictures[0]["data"].get<std::string>()), expected) << text;
        const bool png = expected.size() >= 9 && expected.compare(0, 4, "\x89PNG") == 0;
        EXPECT_EQ(pictures[0]["mime"], png ? "image/png" : "image/jpeg") << text;
    }
}
