#include "BankReport.h"

#include "Bank.h"

#include <QStringList>

namespace {

QString Octets(const quint8 *image, int offset) {
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << QString::number(image[offset + i]);
    return parts.join(QLatin1Char('.'));
}

} // namespace

Bank_Report Describe_Bank(const QByteArray &bytes) {
    Bank_Report report;
    report.Text = QStringLiteral("size: %1 bytes\n").arg(bytes.size());
    if (bytes.size() != Bank_Size) {
        report.Problem = QStringLiteral("not an image: its size is %1 bytes, not %2")
                             .arg(bytes.size())
                             .arg(Bank_Size);
        return report;
    }
    const auto *image = reinterpret_cast<const quint8 *>(bytes.constData());
    int number = 1;
    for (const Bank_Endpoint &endpoint : Bank_Endpoints) {
        const bool disabled = Read_U32(image, endpoint.Gateway) == 0xFFFFFFFFu;
        report.Text +=
            QStringLiteral("endpoint %1: address %2, mask %3, gateway %4, port %5 (copy %6)\n")
                .arg(number++)
                .arg(Octets(image, endpoint.IP), Octets(image, endpoint.Mask),
                     disabled ? QStringLiteral("disabled") : Octets(image, endpoint.Gateway))
                .arg(Read_U16(image, endpoint.Port))
                .arg(Read_U16(image, endpoint.Port_Copy));
    }
    const quint32 stored = Read_U32(image, Bank_Checksum_Offset);
    const quint32 computed = Bank_Checksum(image);
    report.Text += QStringLiteral("offset registers: %1\noffset status: %2\n"
                                  "constant at 0x034: %3\nchecksum: stored %4, computed %5\n")
                       .arg(qint32(Read_U32(image, Bank_Offset_Registers)))
                       .arg(qint32(Read_U32(image, Bank_Offset_Status)))
                       .arg(Read_U16(image, Bank_Constant_Offset))
                       .arg(stored)
                       .arg(computed);
    if (stored != computed)
        report.Problem =
            QStringLiteral("checksum mismatch: stored %1, computed %2").arg(stored).arg(computed);
    return report;
}
