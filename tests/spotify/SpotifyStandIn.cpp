#include "SpotifyStandIn.h"

#include "platform/FetchPolicy.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>

std::string SpotifyStandIn::Request::query() const {
    const auto mark = target.find('?');
    return mark == std::string::npos ? std::string() : target.substr(mark + 1);
}

std::string SpotifyStandIn::Request::header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

SpotifyStandIn::SpotifyStandIn()
    : server_(std::make_unique<httplib::Server>()) {
    // Routed handlers see the whole body, which a pre-routing handler does not.
    const auto serve = [this](const httplib::Request& in, httplib::Response& out) {
        Request request;
        request.method = in.method;
        request.path = in.path;
        request.target = in.target;
        request.body = in.body;
        for (const auto& [name, value] : in.headers) {
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            request.headers.emplace(lower, value);
        }
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            const auto it = handlers_.find({in.method, in.path});
            if (it != handlers_.end())
                handler = it->second;
        }
        Reply reply{404, R"({"error":{"status":404,"message":"Not found in the stand-in"}})"};
        if (handler)
            reply = handler(request);
        out.status = reply.status;
        if (!reply.location.empty())
            out.set_header("Location", reply.location);
        if (reply.breakOff != Reply::Break::none) {
            const auto provider = [this, reply](size_t, size_t, httplib::DataSink& sink) {
                sink.write(reply.body.data(), std::min(reply.bytesBeforeBreak, reply.body.size()));
                if (reply.breakOff == Reply::Break::stall) {
                    std::unique_lock lock(mutex_);
                    stopping_.wait(lock, [this] { return stopped_; });
                }
                return false; // closes the connection
            };
            out.set_content_provider(reply.body.size(), reply.contentType, provider);
        } else if (!reply.body.empty() || reply.status != 204) {
            out.set_content(reply.body, reply.contentType.c_str());
        }
    };
    const std::string any = "/.*";
    server_->Get(any, serve).Post(any, serve).Put(any, serve).Delete(any, serve).Patch(any, serve);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() only reaches a server whose accept loop is running.
    while (!server_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

SpotifyStandIn::~SpotifyStandIn() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    stopping_.notify_all();
    server_->stop();
    thread_.join();
}

std::string SpotifyStandIn::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::function<QString(const QUrl&)> SpotifyStandIn::fetchPolicy() const {
    const QString own = QString::fromStdString(origin() + "/");
    return [own](const QUrl& url) {
        return url.toString().startsWith(own) ? QString() : fetchRefusal(url);
    };
}

QUrl SpotifyStandIn::accountsBase() const {
    return QUrl(QString::fromStdString(origin() + "/accounts"));
}

QUrl SpotifyStandIn::apiBase() const {
    return QUrl(QString::fromStdString(origin() + "/v1"));
}

void SpotifyStandIn::on(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[{method, path}] = std::move(handler);
}

void SpotifyStandIn::onJson(const std::string& method, const std::string& path, int status,
                            std::string body) {
    on(method, path, [status, body](const Request&) { return Reply{status, body}; });
}

std::vector<SpotifyStandIn::Request> SpotifyStandIn::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<SpotifyStandIn::Request> SpotifyStandIn::requestsTo(const std::string& path) const {
    std::vector<Request> matching;
    for (auto& request : requests()) {
        if (request.path == path)
            matching.push_back(request);
    }
    return matching;
}
