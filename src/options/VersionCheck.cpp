#include "VersionCheck.h"

#include "platform/HttpGet.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

int Version_Number(const QString &version_text) {
    const qsizetype blank = version_text.indexOf(QLatin1Char(' '));
    const QString t = Trim_Controls(blank >= 0 ? version_text.mid(blank + 1) : version_text);
    if (t.size() < 5)
        return -1;
    const QString s = t.left(1) + t.mid(2, 3);
    return Decimal_Int(s).value_or(-1);
}

Version_Answer Judge_Version_Reply(const QByteArray &body) {
    const QString text = QString::fromLatin1(body);
    const QString r = Trim_Controls(Ascii_Upper(text));
    if (r.isEmpty())
        return {false, QStringLiteral("the reply is empty")};
    if (r == QLatin1String("VER. 0.000"))
        return {false, QStringLiteral("the service knows no version (VER. 0.000)")};
    const int remote = Version_Number(Trim_Controls(text));
    if (remote == -1)
        return {false,
                QStringLiteral("the reply holds no version: ") + Trim_Controls(text).left(80)};
    return {remote > Version_Number(Own_Version), QString()};
}

Version_Answer Ask_Version(const QString &server) {
    const Http_Reply reply =
        Http_Get(server + Version_Service_Path + QStringLiteral("?nomesw=") + Version_SW_Name,
                 {"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"},
                 "Mozilla/3.0 (compatible; Indy Library)");
    Version_Answer answer = Judge_Version_Reply(reply.Body);
    // A failed request leaves no body; its own reason says more than an empty reply.
    if (!reply.Success)
        answer.Reason = reply.Error;
    return answer;
}

bool Check_Version(const QString &server) {
    return Ask_Version(server).Newer;
}
