#include "browser/WebAppSource.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "SampleFiles.hpp"
#include "host/Encoding.hpp"
#include "host/Error.hpp"

namespace sim {

namespace {

std::string ContentTypeOf(const std::filesystem::path& file)
{
    static const std::map<std::string, std::string> types = {
        {".html", "text/html; charset=utf-8"},  {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"}, {".mjs", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},    {".json", "application/json; charset=utf-8"},
        {".svg", "image/svg+xml"},              {".png", "image/png"},
        {".jpg", "image/jpeg"},                 {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},                  {".webp", "image/webp"},
        {".ico", "image/x-icon"},               {".txt", "text/plain; charset=utf-8"},
        {".wasm", "application/wasm"},          {".woff2", "font/woff2"},
        {".glb", "model/gltf-binary"},          {".gltf", "model/gltf+json"}};
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    auto found = types.find(extension);
    return found != types.end() ? found->second : "application/octet-stream";
}

// False for an escape that is broken or makes a NUL.
bool PercentDecode(const std::string& text, std::string& decoded)
{
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int high = HexDigitValue(text[i + 1]);
        int low = HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return false;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

WebAppResponse Plain(int status, const std::string& text)
{
    return {status, "text/plain; charset=utf-8", text + "\n"};
}

}  // namespace

std::string OriginOf(const std::string& address)
{
    static const std::regex origin(R"(^([a-zA-Z][a-zA-Z0-9+.-]*://[^/?#]+))");
    std::smatch match;
    return std::regex_search(address, match, origin) ? match[1].str() : std::string();
}

std::string DefaultWebApp()
{
    std::filesystem::path source = LANDFETCH_SOURCE_DIR;
    if (std::filesystem::is_regular_file(source / "samples/webapp/index.html"))
        return (source / "samples/webapp").string();
    return (source / "tests/data/webapp").string();
}

WebAppSource::WebAppSource(const std::string& folderOrServer)
{
    static const std::regex local(R"(^http://(127\.0\.0\.1|localhost|\[::1\]):[0-9]{1,5}/?$)");
    if (folderOrServer.starts_with("http://") || folderOrServer.starts_with("https://")) {
        if (!std::regex_match(folderOrServer, local))
            throw Error("--webapp: a development server must be http://127.0.0.1:PORT, not " + folderOrServer);
        server = folderOrServer.back() == '/' ? folderOrServer.substr(0, folderOrServer.size() - 1) : folderOrServer;
        return;
    }
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::canonical(folderOrServer, error);
    if (error || !std::filesystem::is_directory(canonical))
        throw Error("--webapp: " + folderOrServer + " is not a folder");
    folder = canonical.string();
}

std::string WebAppSource::ServerAddress(const std::string& pathAndQuery) const
{
    return server + (pathAndQuery.starts_with("/") ? pathAndQuery : "/" + pathAndQuery);
}

const std::vector<samples::SampleFile>& EmbeddedSampleFiles()
{
    static const std::vector<samples::SampleFile> files = samples::SampleFiles(samples::GenerateSamplePlot());
    return files;
}

WebAppResponse WebAppSource::Answer(const std::string& method, const std::string& pathAndQuery) const
{
    if (method != "GET" && method != "HEAD")
        return Plain(405, "only GET and HEAD are served here");
    std::string path = pathAndQuery.substr(0, pathAndQuery.find_first_of("?#"));
    std::string decoded;
    if (!PercentDecode(path, decoded) || decoded.find('\\') != std::string::npos)
        return Plain(400, "bad path");
    // Every segment is checked before the file system sees it: no "..", no hidden files.
    std::filesystem::path relative;
    std::stringstream segments(decoded);
    std::string segment;
    while (std::getline(segments, segment, '/')) {
        if (segment.empty() || segment == ".")
            continue;
        if (segment == ".." || segment.starts_with("."))
            return Plain(404, "not found: " + path);
        relative /= segment;
    }
    std::filesystem::path file = std::filesystem::path(folder) / relative;
    std::error_code error;
    if (std::filesystem::is_directory(file, error))
        file /= "index.html";
    // A link inside the folder may point outside it: what it resolves to must stay inside.
    std::filesystem::path resolved = std::filesystem::canonical(file, error);
    if (error || !std::filesystem::is_regular_file(resolved)) {
        // The browser asks for an icon on its own; a web application without one is not at fault.
        if (relative == "favicon.ico")
            return {204, "image/x-icon", ""};
        // A page without sample data of its own gets the embedded sample plot's files.
        if (relative.parent_path() == "sample")
            for (const samples::SampleFile& sample : EmbeddedSampleFiles())
                if (relative.filename() == sample.name)
                    return {200, sample.mime, method == "HEAD" ? std::string() : sample.bytes};
        return Plain(404, "not found: " + path);
    }
    std::string inside = resolved.string();
    if (inside.size() <= folder.size() || inside.compare(0, folder.size(), folder) != 0 || inside[folder.size()] != '/')
        return Plain(404, "not found: " + path);
    std::ifstream in(resolved, std::ios::binary);
    if (!in)
        return Plain(403, "cannot be read: " + path);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return {200, ContentTypeOf(resolved), method == "HEAD" ? std::string() : bytes.str()};
}

}  // namespace sim
