#include "support/LoopbackServer.h"

#include "options/VersionCheck.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

// Check_Version gives up after 5 s; this bound leaves room for a slow machine.
constexpr qint64 Give_Up_Bound_Ms = 8000;

const QByteArray Expected_Request_Line =
    "GET /home/download/GetversionSW.asp?nomesw=CF20914 HTTP/1.0";
const QByteArray Expected_Accept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
const QByteArray Expected_User_Agent = "Mozilla/3.0 (compatible; Indy Library)";

// A reply whose body ends where the server closes the connection.
QByteArray Close_Delimited_Reply(const QByteArray &body) {
    return Status_Line(200) + "\r\nContent-Type: text/html\r\n\r\n" + body;
}

// "VER. 9.999 " padded to size bytes: a clear "newer" answer, were its size accepted.
QByteArray Newer_Version_Body(qsizetype size) {
    QByteArray body = "VER. 9.999 ";
    while (body.size() < size)
        body += "VER. 9.999";
    body.truncate(size);
    return body;
}

QByteArray Request_Line(const QByteArray &head) {
    return head.left(head.indexOf("\r\n"));
}

// The values of every header called name (any case) in a request head.
QList<QByteArray> Header_Values(const QByteArray &head, const QByteArray &name) {
    QList<QByteArray> values;
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            values.append(line.mid(colon + 1).trimmed());
    }
    return values;
}

} // namespace

class Test_Version_Check : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void conv_version_data();
    void conv_version();
    void check_version_reply_data();
    void check_version_reply();
    void check_version_reason_data();
    void check_version_reason();
    void check_version_request();
    void check_version_silent_server();
    void check_version_refused_connection();
};

void Test_Version_Check::initTestCase() {
    Keep_Http_On_This_Machine();
}

void Test_Version_Check::conv_version_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("usual reply") << QStringLiteral("VER. 1.234") << 1234;
    QTest::newRow("zero version") << QStringLiteral("VER. 0.000") << 0;
    QTest::newRow("leading zeros") << QStringLiteral("VER. 0.012") << 12;
    QTest::newRow("no blank: whole text") << QStringLiteral("1.234") << 1234;
    QTest::newRow("no blank before the number") << QStringLiteral("VER.1.234") << -1;
    QTest::newRow("tab does not separate") << QStringLiteral("VER.\t1.234") << -1;
    QTest::newRow("leading blank") << QStringLiteral(" 1.234") << 1234;
    QTest::newRow("two blanks") << QStringLiteral("VER.  1.234") << 1234;
    QTest::newRow("text after the number") << QStringLiteral("VER. 1.234 beta") << 1234;
    QTest::newRow("controls trimmed") << QStringLiteral("VER. \t\r\n\x01"
                                                        "1.234\x1f\r\n")
                                      << 1234;
    QTest::newRow("no-break space is not trimmed") << QStringLiteral("VER. \u00a01.234") << -1;
    QTest::newRow("second character is not checked") << QStringLiteral("VER. 12345") << 1345;
    QTest::newRow("extra digit ignored") << QStringLiteral("VER. 1.0009") << 1000;
    QTest::newRow("four characters") << QStringLiteral("VER. 1.23") << -1;
    QTest::newRow("two-digit major") << QStringLiteral("VER. 10.00") << -1;
    QTest::newRow("blank as fifth character") << QStringLiteral("VER. 1.23 x") << -1;
    QTest::newRow("letters") << QStringLiteral("VER. a.bcd") << -1;
    QTest::newRow("only the prefix") << QStringLiteral("VER. ") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void Test_Version_Check::conv_version() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(Version_Number(text), value);
}

void Test_Version_Check::check_version_reply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("newer");

    // The program's own version is 1.000.
    QTest::newRow("same version") << Reply(200, "VER. 1.000") << false;
    QTest::newRow("one step newer") << Reply(200, "VER. 1.001") << true;
    QTest::newRow("lower case") << Reply(200, "ver. 2.500") << true;
    QTest::newRow("no newer version") << Reply(200, "VER. 0.000") << false;
    QTest::newRow("empty body") << Reply(200, "") << false;
    QTest::newRow("error status") << Reply(404, "VER. 9.000") << false;
    QTest::newRow("other 2xx status") << Reply(202, "VER. 2.000") << true;
    QTest::newRow("two-digit major") << Reply(200, "VER. 10.00") << false;
    QTest::newRow("extra digit") << Reply(200, "VER. 1.0009") << false;
    QTest::newRow("text after the number") << Reply(200, "VER. 1.234 beta") << true;
    QTest::newRow("bare number") << Reply(200, "2.000") << true;
    QTest::newRow("too short") << Reply(200, "VER. 1.5") << false;
    QTest::newRow("surrounded by line breaks") << Reply(200, "\r\n  VER. 1.001 \r\n") << true;
    QTest::newRow("close-delimited body") << Close_Delimited_Reply("VER. 1.001") << true;
    QTest::newRow("body shorter than its length")
        << Status_Line(200) + "\r\nContent-Length: 40\r\n\r\nVER. 2.000" << false;
    QTest::newRow("large body within the limit")
        << Reply(200, Newer_Version_Body(32 * 1024)) << true;
    QTest::newRow("oversized body") << Reply(200, Newer_Version_Body(200 * 1024)) << false;
    QTest::newRow("oversized close-delimited body")
        << Close_Delimited_Reply(Newer_Version_Body(200 * 1024)) << false;
}

void Test_Version_Check::check_version_reply() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, newer);

    Loopback_Server server(reply);
    QVERIFY(server.listening());
    QCOMPARE(Check_Version(server.url()), newer);
    QCOMPARE(server.requests().size(), 1);
}

void Test_Version_Check::check_version_reason_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("reason");

#ifndef Q_OS_WIN // WinHTTP takes a header cut short for a whole one: the reply is then empty
    const QString cut =
        QStringLiteral("the server closed the connection within the reply's header");
    QTest::newRow("closed within the header") << Status_Line(200) + "\r\nContent-Ty" << cut;
    QTest::newRow("status line alone") << Status_Line(200) + "\r\n" << cut;
#endif
    QTest::newRow("header ended, no body") << Status_Line(200) + "\r\n\r\n"
                                           << QStringLiteral("the reply is empty");
    QTest::newRow("empty body") << Reply(200, "") << QStringLiteral("the reply is empty");
    QTest::newRow("no version") << Reply(200, "hello")
                                << QStringLiteral("the reply holds no version: hello");
    QTest::newRow("a version") << Reply(200, "VER. 1.001") << QString();
}

void Test_Version_Check::check_version_reason() {
    QFETCH(QByteArray, reply);

    Loopback_Server server(reply);
    QVERIFY(server.listening());
    const Version_Answer answer = Ask_Version(server.url());
    QTEST(answer.Reason, "reason");
}

void Test_Version_Check::check_version_request() {
    // The reply sets a cookie, which the next check must not send back.
    Loopback_Server server(Status_Line(200) +
                           "\r\nSet-Cookie: session=42; Path=/\r\nContent-Length: 10\r\n\r\n"
                           "VER. 1.000");
    QVERIFY(server.listening());
    QVERIFY(!Check_Version(server.url()));
    QVERIFY(!Check_Version(server.url()));

    const QList<QByteArray> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    for (const QByteArray &head : requests) {
        QCOMPARE(Request_Line(head), Expected_Request_Line);
        QCOMPARE(Header_Values(head, "Accept"), QList<QByteArray>{Expected_Accept});
        QCOMPARE(Header_Values(head, "User-Agent"), QList<QByteArray>{Expected_User_Agent});
        QVERIFY2(Header_Values(head, "Cookie").isEmpty(), head.constData());
    }
}

void Test_Version_Check::check_version_silent_server() {
    Loopback_Server server({}, Loopback_Server::Behaviour::Stay_Silent);
    QVERIFY(server.listening());

    QElapsedTimer timer;
    timer.start();
    QVERIFY(!Check_Version(server.url()));
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(server.requests().size(), 1); // connected and asked: the total limit ended it
    QVERIFY2(elapsed < Give_Up_Bound_Ms, QByteArray::number(elapsed).constData());
}

void Test_Version_Check::check_version_refused_connection() {
    // A port that is bound but not listening refuses connections, and stays taken meanwhile.
    quint16 port = 0;
    const Socket_Handle fd = Bind_Loopback(port);
    QVERIFY(fd != No_Socket);
    const bool newer = Check_Version(Loopback_Url(port));
    Close_Socket(fd);
    QVERIFY(!newer);
}

QTEST_GUILESS_MAIN(Test_Version_Check)
#include "tst_version_check.moc"
