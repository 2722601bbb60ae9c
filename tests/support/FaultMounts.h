#pragma once

#include <QString>
#include <QStringList>

// File systems that fail on purpose: a small tmpfs filled to its last block, a read-only view
// of a folder. They live in a private mount namespace of the calling thread, the test's main
// thread, which also starts the child processes under test; nothing outside the test sees
// them, and the kernel drops them when the test ends. Mounting needs root: Unavailable then
// says why it cannot be done, for QSKIP.
class Fault_Mounts {
public:
    Fault_Mounts();
    ~Fault_Mounts();
    Fault_Mounts(const Fault_Mounts &) = delete;
    Fault_Mounts &operator=(const Fault_Mounts &) = delete;

    QString Unavailable;

    // Mounts an empty tmpfs of a few pages on the folder dir.
    bool Mount_Small_Tmpfs(const QString &dir);
    // Fills the file system of dir until no data block is left: writes of new data then fail
    // with ENOSPC while the files already there stay readable.
    bool Fill(const QString &dir);
    // Makes dir read-only, for root too.
    bool Make_Read_Only(const QString &dir);

private:
    QStringList Mounted;
};
