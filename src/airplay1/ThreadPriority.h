#pragma once

// Names the calling thread (at most 15 characters are kept) and raises it to
// the highest scheduling priority the system grants this process: real-time
// when allowed, else the lowest nice value the limits permit.
void nameAndPrioritiseCurrentThread(const char* name);
