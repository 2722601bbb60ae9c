#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

QString Scratch_File(const QString &name) {
    static const QTemporaryDir dir;
    return dir.filePath(name);
}

void Write_Scratch(const QString &path, const uint8_t *data, size_t size) {
    QFile file(path);
    Fuzz_Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file opens");
    Fuzz_Check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
               "scratch file written");
}

std::u16string Reference_Trim(std::u16string text) {
    while (!text.empty() && text.front() <= 32)
        text.erase(text.begin());
    while (!text.empty() && text.back() <= 32)
        text.pop_back();
    return text;
}

void Fuzz_Check(bool holds, const char *what) {
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}
