// Linked into every test program but the safety tests (vidsora_add_test): the files a test writes are thrown away
// when it ends and never meet a power cut, so the writer leaves its syncs out. Where syncs are counted or made to
// fail, that still happens.

#include "SafeFile.h"

namespace {

const bool g_quickSyncs = [] {
    SafeFile::Faults::SkipSyncs(true);
    return true;
}();

} // namespace
