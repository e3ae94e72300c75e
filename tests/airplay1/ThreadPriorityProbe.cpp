// Starts an AirPlay 1 stream's two threads as an ordinary user without
// real-time rights (RLIMIT_RTPRIO and RLIMIT_NICE of 0), and prints every
// thread of the process as the kernel reports it: name, policy, real-time
// priority and nice, separated by tabs, one line each. Run it as root.
#include "airplay1/AirPlay1Stream.h"

#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <thread>

#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
QByteArray taskFile(const QString& tid, const char* name) {
    QFile file(QStringLiteral("/proc/self/task/%1/%2").arg(tid, QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

int namedThreads() {
    int count = 0;
    for (const QString& tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray name = taskFile(tid, "comm");
        count += name == "Korvid audio" || name == "Korvid timing";
    }
    return count;
}
} // namespace

int main() {
    // Giving up root drops CAP_SYS_NICE, so only the limits count.
    const rlimit none{0, 0};
    const gid_t nogroup = 65534;
    if (setrlimit(RLIMIT_RTPRIO, &none) != 0 || setrlimit(RLIMIT_NICE, &none) != 0 ||
        setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(65534) != 0) {
        return 2;
    }
    AirPlay1Stream stream(AirPlay1Codec::pcm, [] {});
    stream.configure(QStringLiteral("127.0.0.1"), 9, 9);
    for (int i = 0; i < 100 && namedThreads() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Each thread names itself, then asks for its priority.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const QString& tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // Fields after the parenthesised name: 19 nice, 40 rt_priority, 41 policy.
        const QByteArray stat = taskFile(tid, "stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 39) {
            return 4;
        }
        std::printf("%s\t%s\t%s\t%s\n", taskFile(tid, "comm").constData(), fields[38].constData(),
                    fields[37].constData(), fields[16].constData());
    }
    return 0;
}
