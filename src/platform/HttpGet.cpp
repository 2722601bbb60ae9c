#include "HttpGet.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace {

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

struct Curl_Cleanup {
    void operator()(CURL *curl) const { curl_easy_cleanup(curl); }
};
struct Slist_Cleanup {
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};

} // namespace

Http_Reply Http_Get(const QString &url, const QList<QByteArray> &headers,
                    const QByteArray &user_agent, const Http_Limits &limits) {
    static std::once_flag global_init;
    std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    Http_Reply reply;
    std::unique_ptr<CURL, Curl_Cleanup> curl(curl_easy_init());
    if (!curl) {
        reply.Error = QStringLiteral("cannot start an HTTP request");
        return reply;
    }
    std::unique_ptr<curl_slist, Slist_Cleanup> list;
    for (const QByteArray &header : headers)
        list.reset(curl_slist_append(list.release(), header.constData()));

    const QByteArray url_bytes = url.toUtf8();
    Body_Sink sink{&reply.Body, limits.Max_Body};
    CURL *handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url_bytes.constData());
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, user_agent.constData());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, limits.Connect_Ms);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, limits.Total_Ms);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Write_Body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);

    const CURLcode result = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (sink.Too_Large)
        reply.Error = QStringLiteral("the reply is larger than %1 bytes").arg(limits.Max_Body);
    else if (result != CURLE_OK)
        reply.Error = QString::fromUtf8(curl_easy_strerror(result));
    else if (status < 200 || status > 299)
        reply.Error = QStringLiteral("HTTP status %1").arg(status);
    else
        reply.Success = true;
    if (!reply.Success)
        reply.Body.clear();
    return reply;
}
