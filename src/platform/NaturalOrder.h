#pragma once

#include <QCollator>

// The order a file browser lists names in: case-insensitive, numbers by
// value ("Speaker 2" before "Speaker 10"), in the user's language. Under the
// C locale the collator would compare code points and ignore numeric mode,
// so English order stands in there.
QCollator naturalOrderCollator();
