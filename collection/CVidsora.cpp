#include "CVidsora.h"

#include "ItemStore.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace {

// The folder of the shared library this code lives in.
QString LibraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&LibraryFolder), &info) != 0 && info.dli_fname) {
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    }
    return {};
}

} // namespace

CVidsora::CVidsora(QObject* parent) : QObject(parent), m_DBDir(LibraryFolder() + QStringLiteral("/Database")) {}

int CVidsora::Count(ItemKind kind) const
{
    return ItemStore::CountEntries(m_DBDir + u'/' + ItemStore::KindFolder(kind));
}

int CVidsora::CategoryCount() const
{
    return Count(ItemKind::Category);
}

int CVidsora::SubCategoryCount() const
{
    return Count(ItemKind::Group);
}

int CVidsora::BoxCount() const
{
    return Count(ItemKind::Box);
}

int CVidsora::MediaCount() const
{
    return Count(ItemKind::Media);
}

int CVidsora::MovieCount() const
{
    return Count(ItemKind::Movie);
}
