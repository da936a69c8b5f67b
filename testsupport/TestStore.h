#pragma once

#include "AnsiText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A test's own world: a temporary store with the five kind folders, and TMPDIR / XDG_CONFIG_HOME pointed inside it.
class TestStore
{
public:
    TestStore()
    {
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath("tmp")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
        QDir(m_dir.path()).mkpath("tmp");
        QDir(m_dir.path()).mkpath("config");
        for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
            QDir(m_dir.path()).mkpath(QStringLiteral("db/") + QLatin1String(kind));
        }
    }
    QString db() const { return m_dir.filePath("db"); }
    QString path(const QString& rel) const { return m_dir.filePath(rel); }

    // Writes raw 8-bit text (the record reader's own encoding) and creates the folders on the way.
    static void Write(const QString& file, const QString& text)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QVERIFY(AnsiText::WriteFile(file, text));
    }
    static QString Read(const QString& file) { return AnsiText::ReadFile(file); }
    static QStringList Entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

private:
    QTemporaryDir m_dir;
};
