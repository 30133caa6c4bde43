// A host may run in its user's language. Whatever locale the process has, the replies, the messages
// and every file the simulator writes stay the same byte for byte as under "C".

#include <gtest/gtest.h>

#include <locale.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.hpp"

namespace {

namespace fs = std::filesystem;

const char* const Locales[] = {"cs_CZ", "de_DE"};

using test::HostRun;

// landfetch-host with the library that sets `locale` preloaded; none for "C".
HostRun RunHost(const std::string& locale, const std::vector<std::string>& args)
{
    if (locale.empty())
        return test::RunHost(args);
    const fs::path library = test::ExecutableFolder() / ("libpreload_locale_" + locale + ".so");
    // Sanitizer builds want their runtime first among the libraries; the preloaded one comes before it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    return test::RunHost(args, {"LD_PRELOAD=" + library.string(),
                                "ASAN_OPTIONS=" + std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0"});
}

bool IsHex(const std::string& text, size_t from, size_t count)
{
    if (from + count > text.size())
        return false;
    for (size_t i = from; i < from + count; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

// A GUID's length at `i` ("{8-4-4-4-12}" or an autotext key's "CUSTOM_" and 32 digits), or 0.
size_t GuidLength(const std::string& text, size_t i)
{
    if (text[i] == '{' && i + 38 <= text.size() && text[i + 37] == '}' && text[i + 9] == '-' && text[i + 14] == '-' &&
        text[i + 19] == '-' && text[i + 24] == '-' && IsHex(text, i + 1, 8) && IsHex(text, i + 10, 4) &&
        IsHex(text, i + 15, 4) && IsHex(text, i + 20, 4) && IsHex(text, i + 25, 12))
        return 38;
    if (text.compare(i, 7, "CUSTOM_") == 0 && IsHex(text, i + 7, 32))
        return 39;
    return 0;
}

// What differs between any two runs: the terrain's timing, the texture files' time stamps, the
// temporary folders and the new GUIDs, each of which becomes its place among the text's GUIDs.
std::string WithoutClock(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    std::map<std::string, size_t> guids;
    const auto digitsFrom = [&text](size_t i) {
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        return i;
    };
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 4, "cas=") == 0) {
            const size_t end = digitsFrom(i + 4);
            if (end > i + 4 && text.compare(end, 2, "ms") == 0) {
                result += "cas=#ms";
                i = end + 2;
                continue;
            }
        }
        if (text[i] == '_') {
            const size_t end = digitsFrom(i + 1);
            if (end - i - 1 >= 9 && end < text.size() && text[end] == '_') {
                result += "_#";
                i = end;
                continue;
            }
        }
        // The project's own folders of a session without --save.
        if (text.compare(i, 15, "landfetch-host-") == 0 && i + 21 <= text.size()) {
            result += "landfetch-host-#";
            i += 21;
            continue;
        }
        if (const size_t length = GuidLength(text, i); length > 0) {
            const auto [entry, added] = guids.emplace(text.substr(i, length), guids.size());
            result += "<guid " + std::to_string(entry->second) + ">";
            i += length;
            continue;
        }
        result += text[i++];
    }
    // A shortened line ends where its length says: a timing of more or fewer digits moves that
    // end, so such a line is compared without its last few characters.
    std::string lines;
    for (size_t start = 0; start < result.size();) {
        size_t end = result.find('\n', start);
        end = end == std::string::npos ? result.size() : end;
        std::string line = result.substr(start, end - start);
        if (line.find("cas=#ms") != std::string::npos && line.size() > 10 && line.ends_with("..."))
            line.erase(line.size() - 7, 4);
        lines += line;
        if (end < result.size())
            lines += '\n';
        start = end + 1;
    }
    return lines;
}

// Everything one session leaves: its output, its messages, and each file under its folder.
struct Session {
    std::vector<std::string> outputs;
    std::map<std::string, std::string> files;
};

fs::path Scenarios()
{
    const char* data = std::getenv("LANDFETCH_TEST_DATA");
    return fs::path(data != nullptr ? data : "tests/data").parent_path().parent_path() / "samples/scenarios";
}

// The demo, an export of the project it saved, a scenario, and numbers the page sends as texts;
// always in the same folder, so that paths in the output agree between the runs.
Session RunSession(const std::string& locale, const fs::path& folder)
{
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string out = (folder / "demo").string();
    const std::string saved = (folder / "p.json").string();
    const std::vector<std::vector<std::string>> commands = {
        {"--out", out, "demo"},
        {"--out", (folder / "export").string(), "export"},
        {"--out", (folder / "scenario").string(), "run", (Scenarios() / "terrain-buildings.json").string()},
        {"--save", saved, "call", "SetSurveyPoint", "\"-743500.5\"", "\"-1043250.25\"", "\"250.125\"", "1", "50.08",
         "\"14.42\""},
        {"--project", saved, "call", "GetSurveyPoint"},
        {"--project", saved, "call", "GetAttributes"},
    };
    Session session;
    for (std::vector<std::string> args : commands) {
        if (args.back() == "export") {
            // The project file the demo wrote in this same session.
            for (const auto& entry : fs::directory_iterator(out)) {
                if (entry.path().extension() == ".json")
                    args.insert(args.begin(), {"--project", entry.path().string()});
            }
        }
        const HostRun run = RunHost(locale, args);
        session.outputs.push_back(args.back() + ": status " + std::to_string(run.status) + "\n" +
                                  WithoutClock(run.out) + "---\n" + WithoutClock(run.err));
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            session.files[WithoutClock(fs::relative(entry.path(), folder).string())] =
                WithoutClock(test::ReadFile(entry.path()));
    }
    return session;
}

bool LocaleInstalled(const std::string& name)
{
    const locale_t locale = newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return false;
    freelocale(locale);
    return true;
}

TEST(HostLocale, RepliesMessagesAndFilesAreTheSameAsUnderC)
{
    std::vector<std::string> installed;
    for (const std::string locale : Locales) {
        if (LocaleInstalled(locale + ".UTF-8")) {
            installed.push_back(locale);
            continue;
        }
        const std::string missing = "the locale " + locale +
                                    ".UTF-8 is not installed (enable it in /etc/locale.gen and run locale-gen)";
        if (std::getenv("CI") != nullptr)
            FAIL() << missing;
        std::printf("%s\n", missing.c_str());
    }
    if (installed.empty())
        GTEST_SKIP() << "no locale with a decimal comma is installed here";

    test::TempFolder folder;
    const Session reference = RunSession("", folder.Path() / "session");
    ASSERT_EQ(reference.outputs.size(), 6u);
    for (const std::string& output : reference.outputs)
        ASSERT_EQ(output.compare(output.find(':'), 11, ": status 0\n"), 0) << output;
    ASSERT_GT(reference.files.size(), 8u);
    // The texts the page sent were read with their decimals.
    EXPECT_NE(reference.outputs[4].find("\"eastings\":-743500.5000,\"northings\":-1043250.2500,\"height\":250.1250}"),
              std::string::npos)
        << reference.outputs[4];

    for (const std::string& locale : installed) {
        const Session session = RunSession(locale, folder.Path() / "session");
        for (size_t i = 0; i < reference.outputs.size(); ++i)
            EXPECT_EQ(session.outputs[i], reference.outputs[i]) << locale;
        std::vector<std::string> names, referenceNames;
        for (const auto& [name, bytes] : session.files)
            names.push_back(name);
        for (const auto& [name, bytes] : reference.files)
            referenceNames.push_back(name);
        ASSERT_EQ(names, referenceNames) << locale;
        for (const auto& [name, bytes] : reference.files)
            EXPECT_TRUE(session.files.at(name) == bytes) << locale << ": " << name << " differs";
    }
}

}  // namespace
