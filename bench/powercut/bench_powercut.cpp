// Power cuts during saves: a child saves movies in a loop (each save one version of a movie's label, notes, synopsis
// and front cover, as the editors save them) on an ext4 file system in a loop image; at a random moment the child is
// stopped and the image file copied as it stands (what the loop device was handed, which is what a disk has when the
// power goes: nothing the kernel still held back), then the child is killed. The copy is repaired with e2fsck -fy,
// mounted, carried out as a start would (the store's intent records) and loaded: every movie must be one whole
// version. Needs root (mount) and e2fsprogs; says so and prints nothing else otherwise. Not run by CI.
// Prints "FIGURE powercut_cuts <n> count" and "FIGURE powercut_torn_items <n> count".
#include "KillRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstring>

#include <signal.h>
#include <unistd.h>

namespace {

bool Run(const QString& program, const QStringList& args, int okUpTo = 0)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() > okUpTo) {
        std::fprintf(stderr, "%s %s: %s\n", qPrintable(program), qPrintable(args.join(u' ')), p.readAll().constData());
        return false;
    }
    return true;
}

void Figure(const char* name, double value, const char* unit)
{
    std::printf("FIGURE %s %.0f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc >= 5 && std::strcmp(argv[1], "--saver") == 0) {
        return KillRun::RunSaver(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                 quint32(QByteArray(argv[4]).toUInt()));
    }
    if (::geteuid() != 0) {
        std::fprintf(stderr, "bench_powercut: needs root to mount loop images; nothing measured\n");
        return 0;
    }
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("disk.img"));
    const QString cut = dir.filePath(QStringLiteral("cut.img"));
    const QString live = dir.filePath(QStringLiteral("live"));
    const QString seen = dir.filePath(QStringLiteral("seen"));
    QDir().mkpath(live);
    QDir().mkpath(seen);
    if (!Run(QStringLiteral("truncate"), {QStringLiteral("-s"), QStringLiteral("64M"), image}) ||
        !Run(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"), image}) ||
        !Run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, live})) {
        std::fprintf(stderr, "bench_powercut: cannot make or mount an ext4 loop image; nothing measured\n");
        return 0;
    }
    const QString db = live + QStringLiteral("/db");
    const QString sources = dir.filePath(QStringLiteral("src"));
    QDir().mkpath(sources);
    {
        QFile a(sources + QStringLiteral("/a.jpg"));
        QFile b(sources + QStringLiteral("/b.GIF"));
        if (!a.open(QIODevice::WriteOnly) || a.write(KillRun::kCoverA) != KillRun::kCoverA.size() ||
            !b.open(QIODevice::WriteOnly) || b.write(KillRun::kCoverB) != KillRun::kCoverB.size()) {
            return 1;
        }
    }
    QStringList keys;
    {
        CMovies movies;
        movies.setDBDir(db);
        for (int i = 0; i < 12; ++i) {
            keys << movies.Add(QStringLiteral("Movie %1").arg(i));
        }
    }
    ::sync();
    const int cuts =
        qEnvironmentVariableIntValue("VIDSORA_CUTS") > 0 ? qEnvironmentVariableIntValue("VIDSORA_CUTS") : 40;
    QRandomGenerator rng(4242);
    int torn = 0;
    int made = 0;
    for (int k = 0; k < cuts; ++k) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--saver"), db, sources, QString::number(k + 1)});
        if (!child.waitForStarted(10000) || !child.waitForReadyRead(20000)) {
            std::fprintf(stderr, "bench_powercut: the saver did not start\n");
            return 1;
        }
        QThread::usleep(20000 + rng.bounded(400000));
        // The power goes: the child stops, and the disk holds what it was handed by now.
        ::kill(pid_t(child.processId()), SIGSTOP);
        QFile::remove(cut);
        const bool copied = QFile::copy(image, cut);
        child.kill();
        child.waitForFinished(10000);
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("added ")) {
                keys << QString::fromLatin1(line.mid(6));
            }
        }
        if (!copied || !Run(QStringLiteral("e2fsck"), {QStringLiteral("-fy"), cut}, 1) ||
            !Run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), cut, seen})) {
            std::fprintf(stderr, "bench_powercut: cut %d could not be looked at\n", k + 1);
            return 1;
        }
        QString why;
        const int lost = KillRun::CheckAfterKill(seen + QStringLiteral("/db"), keys, &why);
        if (lost > 0) {
            std::fprintf(stderr, "cut %d: %s\n", k + 1, qPrintable(why));
        }
        torn += lost;
        ++made;
        Run(QStringLiteral("umount"), {seen});
        // The saver goes on from the live store, as after a restart (its records carried out by its load).
        (void)StoreIntent::Recover(db);
    }
    Run(QStringLiteral("umount"), {live});
    std::fprintf(stderr, "bench_powercut: %d cuts, %lld movies\n", made, static_cast<long long>(keys.size()));
    Figure("powercut_cuts", made, "count");
    Figure("powercut_torn_items", torn, "count");
    return 0;
}
