// Http_Get on Windows, through WinHTTP.
#include "HttpGet.h"

#include <QDeadlineTimer>
#include <QUrl>
#include <memory>
#include <string>

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

namespace {

struct Handle_Close {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet_Handle = std::unique_ptr<void, Handle_Close>;

// WinHTTP's own error codes have their texts in winhttp.dll rather than in the system's table.
QString Error_Text(DWORD code) {
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString message = length ? QString::fromWCharArray(text, int(length)).trimmed()
                                   : QStringLiteral("WinHTTP error %1").arg(code);
    LocalFree(text);
    return message;
}

// The failures a check meets most in words of its own: the system's texts differ by language
// and version, and Wine has none for WinHTTP.
QString Last_Error() {
    const DWORD code = GetLastError();
    switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
        return QStringLiteral("the server did not answer in time");
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return QStringLiteral("cannot connect to the server");
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return QStringLiteral("the server's name cannot be resolved");
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return QStringLiteral("the connection to the server was reset or ended early");
    default:
        return Error_Text(code);
    }
}

// The time left of the whole transfer for WinHTTP's next wait, at least a millisecond.
int Remaining_Ms(const QDeadlineTimer &deadline) {
    return int(qMax<qint64>(1, deadline.remainingTime()));
}

bool Set_Timeout(HINTERNET request, DWORD option, int ms) {
    DWORD value = DWORD(ms);
    return WinHttpSetOption(request, option, &value, sizeof value) != FALSE;
}

// Reads the body into reply.Body, or sets reply.Error when that fails.
void Read_Body(HINTERNET request, const Http_Limits &limits, const QDeadlineTimer &deadline,
               Http_Reply &reply) {
    for (;;) {
        if (deadline.hasExpired() ||
            !Set_Timeout(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, Remaining_Ms(deadline))) {
            reply.Error = QStringLiteral("the server did not answer in time");
            return;
        }
        char buffer[8192];
        DWORD read = 0;
        if (!WinHttpReadData(request, buffer, sizeof buffer, &read)) {
            reply.Error = Last_Error();
            return;
        }
        if (read == 0)
            return;
        if (reply.Body.size() + qsizetype(read) > limits.Max_Body) {
            reply.Error = QStringLiteral("the reply is larger than %1 bytes").arg(limits.Max_Body);
            return;
        }
        reply.Body.append(buffer, qsizetype(read));
    }
}

} // namespace

Http_Reply Http_Get(const QString &url, const QList<QByteArray> &headers,
                    const QByteArray &user_agent, const Http_Limits &limits) {
    Http_Reply reply;
    const QDeadlineTimer deadline(limits.Total_Ms);
    const QUrl parsed(url);
    const bool secure = parsed.scheme() == QLatin1String("https");
    if (!parsed.isValid() || (!secure && parsed.scheme() != QLatin1String("http")) ||
        parsed.host().isEmpty()) {
        reply.Error = QStringLiteral("not an HTTP address: %1").arg(url);
        return reply;
    }

    // Straight to the server: the device sits on the local network.
    const std::wstring agent = QString::fromLatin1(user_agent).toStdWString();
    const Internet_Handle session(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY,
                                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        reply.Error = Last_Error();
        return reply;
    }
    const int total = int(limits.Total_Ms);
    WinHttpSetTimeouts(session.get(), total, int(qMin(limits.Connect_Ms, limits.Total_Ms)), total,
                       total);

    const std::wstring host = parsed.host().toStdWString();
    const auto port = INTERNET_PORT(
        parsed.port(secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT));
    const Internet_Handle connection(WinHttpConnect(session.get(), host.c_str(), port, 0));
    if (!connection) {
        reply.Error = Last_Error();
        return reply;
    }
    const QString path_text = parsed.path(QUrl::FullyEncoded).isEmpty()
                                  ? QStringLiteral("/")
                                  : parsed.path(QUrl::FullyEncoded);
    const std::wstring path =
        (path_text +
         (parsed.hasQuery() ? QLatin1Char('?') + parsed.query(QUrl::FullyEncoded) : QString()))
            .toStdWString();
    const Internet_Handle request(
        WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), L"HTTP/1.0", WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) {
        reply.Error = Last_Error();
        return reply;
    }
    // No cookies, no redirects, no authentication of WinHTTP's own: exactly the given request.
    DWORD features =
        WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    for (const QByteArray &header : headers) {
        const std::wstring line = QString::fromLatin1(header).toStdWString();
        if (!WinHttpAddRequestHeaders(request.get(), line.c_str(), DWORD(line.size()),
                                      WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
            reply.Error = Last_Error();
            return reply;
        }
    }

    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !Set_Timeout(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                     Remaining_Ms(deadline)) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        reply.Error = Last_Error();
        return reply;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        reply.Error = Last_Error();
        return reply;
    }
    Read_Body(request.get(), limits, deadline, reply);
    // WinHTTP takes a connection closed early for the end of the body; the length tells.
    DWORD length = 0;
    size = sizeof length;
    if (reply.Error.isEmpty() &&
        WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &length, &size,
                            WINHTTP_NO_HEADER_INDEX) &&
        reply.Body.size() < qsizetype(length))
        reply.Error = QStringLiteral("the connection closed %1 bytes before the end of the reply")
                          .arg(qsizetype(length) - reply.Body.size());
    Settle_Http_Reply(reply, long(status));
    return reply;
}
