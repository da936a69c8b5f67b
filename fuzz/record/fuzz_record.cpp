// Feeds arbitrary bytes to the record reader as an item folder's record, then checks that what the store writes for it
// reads back the same. The first save may tidy what no writer makes (a line break inside a one-line value becomes a
// blank, which the next read trims), so the check is that the second save writes what the first one read back.

#include "AnsiText.h"
#include "ItemStore.h"
#include "SafeFile.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray g_folder;

void RemoveFolder()
{
    (void)SafeFile::RemoveTree(SafeFile::Decode(g_folder));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_folder = QDir::tempPath().toLocal8Bit() + "/fuzz_record.XXXXXX";
    if (mkdtemp(g_folder.data()) == nullptr) {
        std::perror("fuzz_record: mkdtemp");
        std::abort();
    }
    std::atexit(RemoveFolder);
    SafeFile::Faults::SkipSyncs(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte picks the kind; the rest is the record.
    const auto kind = ItemKind(data[0] % 5);
    const QByteArrayView record(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString folder = SafeFile::Decode(g_folder);
    if (!SafeFile::Write(folder + QStringLiteral("/content.mdc"), record)) {
        std::abort();
    }
    const std::shared_ptr<CItem> item = ItemStore::ReadItem(kind, folder);
    if (!item) {
        return 0;
    }
    const auto saveAndRead = [kind](const CItem& from) {
        const std::shared_ptr<CItem> to = ItemStore::NewItem(kind);
        ItemStore::ApplyRecordBytes(*to, AnsiText::Encode(ItemStore::RecordText(from)));
        return to;
    };
    const std::shared_ptr<CItem> once = saveAndRead(*item);
    const QString written = ItemStore::RecordText(*once);
    const QString rewritten = ItemStore::RecordText(*saveAndRead(*once));
    if (rewritten != written) {
        std::fprintf(stderr, "fuzz_record: a record changed on its way back\n--- written\n%s\n--- read back\n%s\n",
                     qPrintable(written), qPrintable(rewritten));
        std::abort();
    }
    return 0;
}
