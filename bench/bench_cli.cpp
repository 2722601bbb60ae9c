// cf20914-cli compile and show over many parameter files, each command run in one loop of the
// shell, per file beside the same loop over a process that only starts Qt Core and exits.
// Run: bench_cli [files, 10000 by default]

#include "BenchSupport.h"

#include "parameters/ParGen.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The shell loop over every parameter file of the folder $1; $2 is the program.
const QString Compile_Loop =
    QStringLiteral("for f in \"$1\"/*.xml; do \"$2\" compile \"$f\" \"$f.bin\" || exit 1; done");
const QString Show_Loop =
    QStringLiteral("for f in \"$1\"/*.xml; do \"$2\" show \"$f.bin\" >/dev/null || exit 1; done");
const QString Bare_Loop =
    QStringLiteral("for f in \"$1\"/*.xml; do \"$2\" \"$f\" \"$f.bin\" || exit 1; done");

Child_Figures Run_Loop(const QString &loop, const QString &folder, const char *program) {
    return Run_Child({QStringLiteral("/bin/sh"), QStringLiteral("-c"), loop, QStringLiteral("sh"),
                      folder, QString::fromLocal8Bit(program)});
}

void Print_Per_File(const char *what, const Child_Figures &loop, const Child_Figures &bare,
                    int files) {
    std::printf("%-8s wall %.3f ms, CPU %.3f ms per file; ratio to the Qt Core process: wall "
                "%.2f, CPU %.2f (target at most 1.50)\n",
                what, loop.Wall_Ms / files, loop.Cpu_Ms / files, loop.Wall_Ms / bare.Wall_Ms,
                loop.Cpu_Ms / bare.Cpu_Ms);
}

} // namespace

int main(int argc, char *argv[]) {
    const int files = Count_Argument(argc, argv, 1, 10000);

    QTemporaryDir folder;
    const QString first = folder.filePath(QStringLiteral("00000.xml"));
    Save_ParGen(Default_ParGen(), first);
    for (int n = 1; n < files; ++n) {
        if (!QFile::copy(first,
                         folder.filePath(QStringLiteral("%1.xml").arg(n, 5, 10, QLatin1Char('0')))))
            return 1;
    }

    const Child_Figures bare = Run_Loop(Bare_Loop, folder.path(), BARE_CORE);
    const Child_Figures compile = Run_Loop(Compile_Loop, folder.path(), CLI_PROGRAM);
    const Child_Figures show = Run_Loop(Show_Loop, folder.path(), CLI_PROGRAM);
    if (!bare.Succeeded || !compile.Succeeded || !show.Succeeded) {
        std::fprintf(stderr, "a loop failed\n");
        return 1;
    }
    std::printf("files: %d, one shell loop each\n", files);
    std::printf("Qt Core process: wall %.3f ms, CPU %.3f ms per file\n", bare.Wall_Ms / files,
                bare.Cpu_Ms / files);
    Print_Per_File("compile", compile, bare, files);
    Print_Per_File("show", show, bare, files);
    return 0;
}
