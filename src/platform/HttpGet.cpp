#include "HttpGet.h"

#include <QLibrary>
#include <curl/curl.h>
#include <memory>

namespace {

// libcurl and the dozens of libraries it brings (TLS, Kerberos, LDAP, SSH, ...) are loaded with
// the first request, which comes a minute after start at the earliest, rather than with the
// program.
struct Curl_Api {
    CURLcode (*Global_Init)(long);
    CURL *(*Easy_Init)();
    CURLcode (*Easy_Setopt)(CURL *, CURLoption, ...);
    CURLcode (*Easy_Perform)(CURL *);
    CURLcode (*Easy_Getinfo)(CURL *, CURLINFO, ...);
    const char *(*Easy_Strerror)(CURLcode);
    void (*Easy_Cleanup)(CURL *);
    curl_slist *(*Slist_Append)(curl_slist *, const char *);
    void (*Slist_Free_All)(curl_slist *);
    QString Error; // why libcurl cannot be used; empty when every entry was found
};

template <typename Function> bool Resolve(QLibrary &library, const char *name, Function &entry) {
    entry = reinterpret_cast<Function>(library.resolve(name));
    return entry != nullptr;
}

Curl_Api Load_Curl() {
    Curl_Api api{};
#ifdef Q_OS_WIN
    const QStringList names{QStringLiteral("libcurl"), QStringLiteral("libcurl-x64"),
                            QStringLiteral("libcurl-4")};
    QLibrary library;
    for (const QString &name : names) {
        library.setFileName(name);
        if (library.load())
            break;
    }
#else
    QLibrary library(QStringLiteral("curl"), 4);
    library.load();
#endif
    if (!library.isLoaded()) {
        api.Error = QStringLiteral("cannot load libcurl: ") + library.errorString();
        return api;
    }
    // The library stays loaded for the rest of the run: QLibrary does not unload on destruction.
    const bool complete = Resolve(library, "curl_global_init", api.Global_Init) &&
                          Resolve(library, "curl_easy_init", api.Easy_Init) &&
                          Resolve(library, "curl_easy_setopt", api.Easy_Setopt) &&
                          Resolve(library, "curl_easy_perform", api.Easy_Perform) &&
                          Resolve(library, "curl_easy_getinfo", api.Easy_Getinfo) &&
                          Resolve(library, "curl_easy_strerror", api.Easy_Strerror) &&
                          Resolve(library, "curl_easy_cleanup", api.Easy_Cleanup) &&
                          Resolve(library, "curl_slist_append", api.Slist_Append) &&
                          Resolve(library, "curl_slist_free_all", api.Slist_Free_All);
    if (!complete) {
        api.Error = QStringLiteral("libcurl lacks an entry: ") + library.errorString();
        return api;
    }
    api.Global_Init(CURL_GLOBAL_DEFAULT);
    return api;
}

const Curl_Api &Curl() {
    static const Curl_Api api = Load_Curl();
    return api;
}

struct Body_Sink {
    QByteArray *Body;
    qsizetype Max;
    bool Too_Large = false;
};

size_t Write_Body(char *data, size_t size, size_t count, void *user) {
    auto *sink = static_cast<Body_Sink *>(user);
    const size_t bytes = size * count;
    if (sink->Body->size() + qsizetype(bytes) > sink->Max) {
        sink->Too_Large = true;
        return 0; // makes libcurl end the transfer
    }
    sink->Body->append(data, qsizetype(bytes));
    return bytes;
}

// Notes whether the header of the last reply came to its end, the empty line: a server that
// closes the connection within the header leaves a reply that libcurl takes as complete.
size_t Note_Header_Line(char *data, size_t size, size_t count, void *user) {
    auto *ended = static_cast<bool *>(user);
    const size_t bytes = size * count;
    const QByteArrayView line(data, qsizetype(bytes));
    if (line.startsWith("HTTP/"))
        *ended = false; // the status line of a reply, perhaps after an interim one
    else if (line == "\r\n" || line == "\n")
        *ended = true;
    return bytes;
}

struct Curl_Cleanup {
    void operator()(CURL *curl) const { Curl().Easy_Cleanup(curl); }
};
struct Slist_Cleanup {
    void operator()(curl_slist *list) const { Curl().Slist_Free_All(list); }
};

} // namespace

Http_Reply Http_Get(const QString &url, const QList<QByteArray> &headers,
                    const QByteArray &user_agent, const Http_Limits &limits) {
    Http_Reply reply;
    const Curl_Api &api = Curl();
    if (!api.Error.isEmpty()) {
        reply.Error = api.Error;
        return reply;
    }
    std::unique_ptr<CURL, Curl_Cleanup> curl(api.Easy_Init());
    if (!curl) {
        reply.Error = QStringLiteral("cannot start an HTTP request");
        return reply;
    }
    std::unique_ptr<curl_slist, Slist_Cleanup> list;
    for (const QByteArray &header : headers)
        list.reset(api.Slist_Append(list.release(), header.constData()));

    const QByteArray url_bytes = url.toUtf8();
    Body_Sink sink{&reply.Body, limits.Max_Body};
    CURL *handle = curl.get();
    api.Easy_Setopt(handle, CURLOPT_URL, url_bytes.constData());
    api.Easy_Setopt(handle, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    api.Easy_Setopt(handle, CURLOPT_HTTPHEADER, list.get());
    api.Easy_Setopt(handle, CURLOPT_USERAGENT, user_agent.constData());
    api.Easy_Setopt(handle, CURLOPT_NOSIGNAL, 1L);
    api.Easy_Setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, limits.Connect_Ms);
    api.Easy_Setopt(handle, CURLOPT_TIMEOUT_MS, limits.Total_Ms);
    api.Easy_Setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    api.Easy_Setopt(handle, CURLOPT_WRITEFUNCTION, Write_Body);
    api.Easy_Setopt(handle, CURLOPT_WRITEDATA, &sink);
    bool header_ended = false;
    api.Easy_Setopt(handle, CURLOPT_HEADERFUNCTION, Note_Header_Line);
    api.Easy_Setopt(handle, CURLOPT_HEADERDATA, &header_ended);

    const CURLcode result = api.Easy_Perform(handle);
    long status = 0;
    api.Easy_Getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (sink.Too_Large)
        reply.Error = QStringLiteral("the reply is larger than %1 bytes").arg(limits.Max_Body);
    else if (result != CURLE_OK)
        reply.Error = QString::fromUtf8(api.Easy_Strerror(result));
    else if (!header_ended)
        reply.Error = QStringLiteral("the server closed the connection within the reply's header");
    Settle_Http_Reply(reply, status);
    return reply;
}
