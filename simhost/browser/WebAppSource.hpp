#pragma once

// Where the page's own origin is answered from: a folder, or a local development server.

#include <string>
#include <vector>

namespace samples {
struct SampleFile;
}

namespace sim {

struct WebAppResponse {
    int status = 200;
    std::string contentType;
    std::string body;
};

class WebAppSource {
public:
    // A folder, or http://127.0.0.1:PORT (http://localhost:PORT); throws sim::Error for anything else.
    explicit WebAppSource(const std::string& folderOrServer);

    bool IsServer() const { return !server.empty(); }
    const std::string& Folder() const { return folder; }

    // The address on the development server for the path and query of a request to the origin.
    std::string ServerAddress(const std::string& pathAndQuery) const;
    // The file for a request's path and query; never anything outside the folder.
    WebAppResponse Answer(const std::string& method, const std::string& pathAndQuery) const;

private:
    std::string folder;  // canonical, without a trailing slash
    std::string server;  // without a trailing slash
};

// The embedded sample plot as files; a web application's folder without "sample/" gets them there.
const std::vector<samples::SampleFile>& EmbeddedSampleFiles();

// The folder the simulator shows when none is given.
std::string DefaultWebApp();

// "https://host:port" of an address; empty when it has none.
std::string OriginOf(const std::string& address);

}  // namespace sim
