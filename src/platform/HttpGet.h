#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct Http_Limits {
    long Connect_Ms = 3000;
    long Total_Ms = 5000;
    qsizetype Max_Body = 64 * 1024;
};

struct Http_Reply {
    bool Success = false; // a complete reply with a 2xx status
    QByteArray Body;
    QString Error; // why it failed, for logs and the command-line tool
};

// Ends a reply as both clients do once the transfer is over: a transfer that failed, with
// reply.Error saying why, or a status outside 2xx fails and keeps no body.
inline void Settle_Http_Reply(Http_Reply &reply, long status) {
    if (reply.Error.isEmpty() && (status < 200 || status > 299))
        reply.Error = QStringLiteral("HTTP status %1").arg(status);
    reply.Success = reply.Error.isEmpty();
    if (!reply.Success)
        reply.Body.clear();
}

// One blocking HTTP/1.0 GET with exactly the given extra headers and no cookies. A body
// larger than limits.Max_Body ends the transfer as a failure.
Http_Reply Http_Get(const QString &url, const QList<QByteArray> &headers,
                    const QByteArray &user_agent, const Http_Limits &limits = {});
