#pragma once

namespace norvane {

// Times Norvane's CardDAV sync of that many cards against Radicale on
// 127.0.0.1, beside vdirsyncer, and prints the table; 0 when every step
// did what it should.
int runSyncBench(int size);

} // namespace norvane
