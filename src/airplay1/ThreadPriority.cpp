#include "airplay1/ThreadPriority.h"

#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void nameAndPrioritiseCurrentThread(const char* name) {
    char shortName[16] = {};
    std::strncpy(shortName, name, sizeof shortName - 1);
    pthread_setname_np(pthread_self(), shortName);

    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
        return;
    }
    // Without real-time rights, the nice limit says how far this thread may go.
    rlimit limit{};
    int lowestNice = 0;
    if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        lowestNice = 20 - static_cast<int>(limit.rlim_cur);
    }
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    if (setpriority(PRIO_PROCESS, tid, -20) != 0) {
        setpriority(PRIO_PROCESS, tid, lowestNice);
    }
}
