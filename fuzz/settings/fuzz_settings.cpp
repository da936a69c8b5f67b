// Feeds arbitrary bytes to the registry layer as the program's settings file. A file that reads as damaged or
// unreadable must refuse every change and stay byte for byte; one that reads must take a change, keep it, and be
// written so that writing it again gives the same bytes.

#include "Registry.h"
#include "SafeFile.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray g_home;

void RemoveHome()
{
    (void)SafeFile::RemoveTree(SafeFile::Decode(g_home));
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz_settings: %s\n", what);
    std::abort();
}

QByteArray ReadProgramFile()
{
    QByteArray bytes;
    SafeFile::Read(Registry::ProgramFile(), bytes);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_home = QDir::tempPath().toLocal8Bit() + "/fuzz_settings.XXXXXX";
    if (mkdtemp(g_home.data()) == nullptr) {
        Fail("no folder of its own");
    }
    std::atexit(RemoveHome);
    qputenv("XDG_CONFIG_HOME", g_home);
    SafeFile::Faults::SkipSyncs(true);
    if (!SafeFile::MakePath(Registry::Folder())) {
        Fail("no settings folder");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Registry;
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!SafeFile::Write(ProgramFile(), file)) {
        Fail("cannot write the input");
    }
    const FileState state = ProgramFileState();

    // What a start reads.
    HKEY key = 0;
    if (OpenKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"), KeyRead, &key) == Success) {
        QString text;
        std::uint32_t number = 0;
        QueryString(key, QStringLiteral("DBPath"), &text);
        QueryDword(key, QStringLiteral("CheckAnnouncements"), &number);
        QueryValue(key, QString(), nullptr, nullptr);
        CloseKey(key);
    }

    // A change.
    const QString name = QStringLiteral("Fuzz Value");
    const QString value = QStringLiteral("a=b;[c]%\\d \u00e9");
    HKEY sub = 0;
    long rc = CreateKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora\\Sub"), KeyAllAccess, &sub);
    if (rc == Success) {
        rc = SetString(sub, name, value);
    }
    if (state == FileState::Damaged || state == FileState::Unreadable) {
        if (rc == Success) {
            Fail("a damaged file took a change");
        }
        if (ReadProgramFile() != file) {
            Fail("a damaged file was changed");
        }
        if (sub != 0) {
            CloseKey(sub);
        }
        return 0;
    }
    if (rc != Success) {
        Fail("a readable file refused a change");
    }
    if (ProgramFileState() != FileState::Ok) {
        Fail("the file written reads as damaged");
    }
    QString back;
    if (QueryString(sub, name, &back) != Success || back != value + QChar(0)) {
        Fail("the value written did not read back");
    }
    // Written once more, the file must not change: every value and key read survived the first write whole.
    const QByteArray first = ReadProgramFile();
    if (SetString(sub, name, value) != Success || ReadProgramFile() != first) {
        Fail("a second write of the same value changed the file");
    }
    CloseKey(sub);
    return 0;
}
