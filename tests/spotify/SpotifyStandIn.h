#pragma once

#include <QUrl>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

// Plays Spotify's accounts service (under /accounts) and Web API (under
// /v1) on 127.0.0.1, answering from handlers the test installs and
// recording every request exactly as it arrived.
class SpotifyStandIn {
public:
    struct Request {
        std::string method;
        std::string path;   // decoded path
        std::string target; // path and query exactly as sent
        std::string body;
        std::multimap<std::string, std::string> headers; // names in lower case

        std::string query() const;
        bool hasHeader(const std::string& name) const { return headers.count(name) > 0; }
        std::string header(const std::string& name) const;
    };
    struct Reply {
        int status = 200;
        std::string body;
        std::string contentType = "application/json";
        std::string location; // sent as Location when not empty
        // Breaks the answer off after the headers and `bytesBeforeBreak` of
        // the body, which Content-Length still promises whole: the
        // connection closes, or stalls until the stand-in goes away.
        enum class Break { none, close, stall };
        Break breakOff = Break::none;
        size_t bytesBeforeBreak = 0;
    };
    using Handler = std::function<Reply(const Request&)>;

    SpotifyStandIn();
    ~SpotifyStandIn();
    SpotifyStandIn(const SpotifyStandIn&) = delete;
    SpotifyStandIn& operator=(const SpotifyStandIn&) = delete;

    QUrl accountsBase() const;
    QUrl apiBase() const;
    // Origin for addresses the stand-in hands out, such as "next" pages.
    std::string origin() const;
    // The program's rule for covers and previews (fetchRefusal), with the
    // stand-in's plain-http loopback addresses let through: it plays the
    // servers pictures come from.
    std::function<QString(const QUrl&)> fetchPolicy() const;

    // Answers `method` on `path` (exact, without query) from now on.
    void on(const std::string& method, const std::string& path, Handler handler);
    void onJson(const std::string& method, const std::string& path, int status, std::string body);

    std::vector<Request> requests() const;
    std::vector<Request> requestsTo(const std::string& path) const;

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable stopping_;
    bool stopped_ = false;
    std::map<std::pair<std::string, std::string>, Handler> handlers_;
    std::vector<Request> requests_;
};
