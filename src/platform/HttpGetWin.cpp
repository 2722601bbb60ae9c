// Http_Get on Windows, through WinHTTP in its asynchronous mode: every step is awaited here
// against the transfer's own deadline, so that a silent server ends the transfer in time
// whether or not the sockets below keep WinHTTP's timeouts (Wine's do not).
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

const QString Too_Late = QStringLiteral("the server did not answer in time");

// The failures a check meets most in words of its own: the system's texts differ by language
// and version, and Wine has none for WinHTTP.
QString Failure_Text(DWORD code) {
    switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
        return Too_Late;
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

QString Last_Error() {
    return Failure_Text(GetLastError());
}

// The time left of the whole transfer, at least a millisecond.
DWORD Remaining_Ms(const QDeadlineTimer &deadline) {
    return DWORD(qMax<qint64>(1, deadline.remainingTime()));
}

// What WinHTTP's callbacks, which run on its own threads, tell the waiting one: the end of
// the step under way. The buffer is read into while a read runs.
struct Transfer {
    HANDLE Step_Ended = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD Error = 0; // of the step that failed
    DWORD Read = 0;  // bytes of the last read; 0 at the end of the body
    char Buffer[8192];

    Transfer() = default;
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;
    ~Transfer() { CloseHandle(Step_Ended); }
};

void CALLBACK On_Status(HINTERNET, DWORD_PTR context, DWORD status, void *info, DWORD length) {
    auto *transfer = reinterpret_cast<Transfer *>(context);
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        SetEvent(transfer->Step_Ended);
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        transfer->Read = length;
        SetEvent(transfer->Step_Ended);
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        transfer->Error = static_cast<WINHTTP_ASYNC_RESULT *>(info)->dwError;
        SetEvent(transfer->Step_Ended);
        break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        delete transfer; // the handle's last word
        break;
    default:
        break;
    }
}

// The request handle with the Transfer its callbacks report to. Once the callbacks are set up
// the Transfer is WinHTTP's: closing the handle cancels what still runs, and the Transfer goes
// with the handle's last callback, however long a step that cannot be cancelled takes to end.
class Request {
public:
    explicit Request(HINTERNET handle) : Handle(handle) {
        if (!Handle)
            return;
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(Progress);
        if (WinHttpSetOption(Handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) &&
            WinHttpSetStatusCallback(Handle, On_Status,
                                     WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                         WINHTTP_CALLBACK_FLAG_HANDLES,
                                     0) != WINHTTP_INVALID_STATUS_CALLBACK)
            return;
        const DWORD error = GetLastError();
        WinHttpCloseHandle(Handle);
        Handle = nullptr;
        SetLastError(error);
    }
    Request(const Request &) = delete;
    Request &operator=(const Request &) = delete;
    ~Request() {
        if (Handle)
            WinHttpCloseHandle(Handle);
        else
            delete Progress;
    }
    HINTERNET get() const { return Handle; }
    Transfer &progress() const { return *Progress; }
    explicit operator bool() const { return Handle != nullptr; }

private:
    HINTERNET Handle;
    Transfer *Progress = new Transfer;
};

// Waits for the step that started (started: the call that began it succeeded) to end; the
// reason in error when it failed or the deadline came first.
bool Step_Done(bool started, Transfer &transfer, const QDeadlineTimer &deadline, QString &error) {
    if (!started) {
        error = Last_Error();
        return false;
    }
    if (WaitForSingleObject(transfer.Step_Ended, Remaining_Ms(deadline)) != WAIT_OBJECT_0) {
        error = Too_Late;
        return false;
    }
    if (transfer.Error != 0) {
        error = Failure_Text(transfer.Error);
        return false;
    }
    return true;
}

// Reads the body into reply.Body, or sets reply.Error when that fails.
void Read_Body(const Request &request, const Http_Limits &limits, const QDeadlineTimer &deadline,
               Http_Reply &reply) {
    Transfer &transfer = request.progress();
    for (;;) {
        if (!Step_Done(WinHttpReadData(request.get(), transfer.Buffer, sizeof transfer.Buffer,
                                       nullptr) != FALSE,
                       transfer, deadline, reply.Error))
            return;
        if (transfer.Read == 0)
            return;
        if (reply.Body.size() + qsizetype(transfer.Read) > limits.Max_Body) {
            reply.Error = QStringLiteral("the reply is larger than %1 bytes").arg(limits.Max_Body);
            return;
        }
        reply.Body.append(transfer.Buffer, qsizetype(transfer.Read));
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
                                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                              WINHTTP_FLAG_ASYNC));
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
    const Request request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), L"HTTP/1.0",
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             secure ? WINHTTP_FLAG_SECURE : 0));
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

    Transfer &transfer = request.progress();
    if (!Step_Done(WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                      WINHTTP_NO_REQUEST_DATA, 0, 0,
                                      reinterpret_cast<DWORD_PTR>(&transfer)) != FALSE,
                   transfer, deadline, reply.Error) ||
        !Step_Done(WinHttpReceiveResponse(request.get(), nullptr) != FALSE, transfer, deadline,
                   reply.Error))
        return reply;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        reply.Error = Last_Error();
        return reply;
    }
    Read_Body(request, limits, deadline, reply);
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
