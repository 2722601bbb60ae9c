// The version service's reply: any body is judged without a crash, and the version read from
// it agrees with a plain reading of the rule: after the first blank, trimmed, the 1st, 3rd,
// 4th and 5th characters form a decimal number.

#include "FuzzSupport.h"

#include "options/VersionCheck.h"

#include <string>

namespace {

int Reference_Version(const std::u16string &reply) {
    const auto blank = reply.find(u' ');
    const std::u16string t =
        Reference_Trim(blank == std::u16string::npos ? reply : reply.substr(blank + 1));
    if (t.size() < 5)
        return -1;
    const std::u16string s = t.substr(0, 1) + t.substr(2, 3);
    std::size_t pos = (s[0] == u'+' || s[0] == u'-') ? 1 : 0;
    int value = 0;
    for (std::size_t i = pos; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9')
            return -1;
        value = value * 10 + (s[i] - u'0');
    }
    return s[0] == u'-' ? -value : value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = QString::fromLatin1(body);
    const int version = Version_Number(text);
    Fuzz_Check(version == Reference_Version(text.toStdU16String()), "the version read");
    const Version_Answer answer = Judge_Version_Reply(body);
    Fuzz_Check(!(answer.Newer && !answer.Reason.isEmpty()), "a newer answer has no failure");
    if (answer.Newer)
        Fuzz_Check(Reference_Version(Reference_Trim(text.toStdU16String())) > 1000,
                   "newer means above 1.000");
    return 0;
}
