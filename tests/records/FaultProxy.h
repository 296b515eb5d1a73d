#pragma once
// A proxy on a free loopback port in front of the real data service: reads
// pass through; each write (AxUpdate, AxInsert, the photo upload posted to
// AxInsert) takes the next fault of a script, the way networks and services
// fail: an HTTP error, an error item, a busy database, no answer at all, or
// an answer lost after the statement was committed.

#include "service/TestServer.h"

#include <QString>
#include <deque>
#include <mutex>

namespace stanor::records::test {

enum class Fault {
    Pass,             // passed to the service, its answer given back
    Http500,          // an HTTP error status, nothing sent on
    LogItem,          // an error item, nothing sent on
    WaitTimeout,      // the busy-database mark, nothing sent on
    Silent,           // no answer ever (until the test ends)
    LostAfterCommit,  // sent on and stored, then an HTTP error instead of the answer
    SilentAfterCommit,  // sent on and stored, then no answer ever
};

inline const char* faultName(Fault f)
{
    switch (f) {
    case Fault::Pass: return "passe";
    case Fault::Http500: return "HTTP 500";
    case Fault::LogItem: return "LogItem";
    case Fault::WaitTimeout: return "WAIT_TIMEOUT";
    case Fault::Silent: return "sans réponse";
    case Fault::LostAfterCommit: return "réponse perdue après l'écriture";
    case Fault::SilentAfterCommit: return "réponse jamais rendue après l'écriture";
    }
    return "?";
}

class FaultProxy {
public:
    explicit FaultProxy(int servicePort) : servicePort_(servicePort)
    {
        server_.handle([this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    }

    QString base() const { return server_.base(); }

    // Faults of the next writes, in turn; writes beyond them pass.
    void script(std::initializer_list<Fault> faults)
    {
        std::lock_guard lock(mutex_);
        faults_.assign(faults.begin(), faults.end());
    }
    // Writes received, and those that reached the service.
    int writes() const
    {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    int passed() const
    {
        std::lock_guard lock(mutex_);
        return passed_;
    }

private:
    void serve(const httplib::Request& req, httplib::Response& res)
    {
        const bool write = req.path == "/AxUpdate" || req.path == "/AxInsert";
        Fault fault = Fault::Pass;
        if (write) {
            std::lock_guard lock(mutex_);
            ++writes_;
            if (!faults_.empty()) {
                fault = faults_.front();
                faults_.pop_front();
            }
        }
        switch (fault) {
        case Fault::Http500:
            res.status = 500;
            res.set_content("erreur interne", "text/plain");
            return;
        case Fault::LogItem:
            res.set_content("<Answer><LogItems><LogItem>Erreur SQL : base en maintenance</LogItem></LogItems></Answer>",
                            "text/xml");
            return;
        case Fault::WaitTimeout:
            res.set_content("<Answer><LogItems><LogItem><![CDATA[WAIT_TIMEOUT]]></LogItem></LogItems></Answer>",
                            "text/xml");
            return;
        case Fault::Silent:
            server_.waitForRelease();
            return;
        default:
            break;
        }
        httplib::Client service("127.0.0.1", servicePort_);
        // The session goes on with the request, as through any proxy.
        httplib::Headers headers;
        if (req.has_header("Authorization"))
            headers.emplace("Authorization", req.get_header_value("Authorization"));
        auto answer = req.method == "POST" ? forwardForm(service, req, headers) : service.Get(req.target, headers);
        if (write) {
            std::lock_guard lock(mutex_);
            ++passed_;
        }
        if (fault == Fault::LostAfterCommit) {
            res.status = 500;
            return;
        }
        if (fault == Fault::SilentAfterCommit) {
            server_.waitForRelease();
            return;
        }
        if (!answer) {
            res.status = 502;
            return;
        }
        res.status = answer->status;
        res.set_content(answer->body, answer->get_header_value("Content-Type"));
    }

    // A multipart form (the photo upload) sent on part by part; parts of the
    // same name keep their order. Another body (the sign-in) goes as it came.
    static httplib::Result forwardForm(httplib::Client& service, const httplib::Request& req,
                                       const httplib::Headers& headers)
    {
        if (!req.is_multipart_form_data())
            return service.Post(req.target, headers, req.body, req.get_header_value("Content-Type"));
        httplib::MultipartFormDataItems items;
        for (const auto& [name, part] : req.files)
            items.push_back({part.name, part.content, part.filename, part.content_type});
        return service.Post(req.target, headers, items);
    }

    int servicePort_;
    mutable std::mutex mutex_;
    std::deque<Fault> faults_;
    int writes_ = 0;
    int passed_ = 0;
    service::test::TestServer server_;  // last: stopped first, while the members above still live
};

}  // namespace stanor::records::test
