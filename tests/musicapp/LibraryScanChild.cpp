// Scans a music folder into an index, slowly, printing how many files it has
// looked at; the test kills it half-way.
#include "musicapp/LibraryIndex.h"
#include "musicapp/LibraryScanner.h"
#include "musicapp/TagReader.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    LibraryIndex index(QString::fromLocal8Bit(argv[2]));
    LibraryScanner scanner(makeTagLibReader(), QString::fromLocal8Bit(argv[1]), index);
    const ScanReport report =
        scanner.scan(QDateTime::currentMSecsSinceEpoch(), nullptr, [](int files) {
            std::printf("%d\n", files);
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        });
    return report.completed ? 0 : 1;
}
