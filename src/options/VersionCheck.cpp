#include "VersionCheck.h"

#include "platform/HttpGet.h"
#include "shell/AppState.h"
#include "shell/Comon.h"

int Conv_Version(const QString &Ver_str) {
    const qsizetype blank = Ver_str.indexOf(QLatin1Char(' '));
    const QString t = Trim_Controls(blank >= 0 ? Ver_str.mid(blank + 1) : Ver_str);
    if (t.size() < 5)
        return -1;
    const QString s = t.left(1) + t.mid(2, 3);
    return Decimal_Int(s).value_or(-1);
}

bool Check_Version(const QString &server) {
    const Http_Reply reply =
        Http_Get(server + Version_Service_Path + QStringLiteral("?nomesw=") + Version_SW_Name,
                 {"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"},
                 "Mozilla/3.0 (compatible; Indy Library)");
    const QString text = QString::fromLatin1(reply.Body);
    const QString r = Trim_Controls(Ascii_Upper(text));
    if (r.isEmpty() || r == QLatin1String("VER. 0.000"))
        return false;
    const int own = Conv_Version(Own_Version);
    const int remote = Conv_Version(Trim_Controls(text));
    return own != -1 && remote != -1 && remote > own;
}
