// Sanitizer defaults linked into every test program.
//
// ThreadSanitizer suppressions for tests that own a QThread. Qt and GLib are not built with the
// sanitizer, so their locks are invisible to it: QThread::wait(), the end of the thread and the
// queue that carries a queued signal to the GUI thread, the test library's watchdog thread. Without
// these lines it reports the allocations Qt hands from the worker to the GUI thread, and the
// thread's last accesses as unordered with the owner destroying (or building a new object in the
// memory of) the thread object after wait() returned. Deleting a thread that still runs is caught
// without TSan: Qt aborts, and AddressSanitizer reports the use after free. Races in our own code
// stay reported.

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define OSTREL_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define OSTREL_TSAN 1
#endif
#if defined(__SANITIZE_ADDRESS__)
#define OSTREL_ASAN 1
#endif

#ifdef OSTREL_TSAN
extern "C" const char* __tsan_default_suppressions() {
    return "race:WorkerThread::WorkerThread\n"
           "race:WorkerThread::~WorkerThread\n"
           "race:WorkerThread::metaObject\n"
           "race:QWaitCondition::~QWaitCondition\n"
           "race:libQt5Core.so.5\n"
           "race:libQt5Test.so.5\n"
           "race:libQt5Gui.so.5\n"
           "race:libQt5Widgets.so.5\n"
           "called_from_lib:libQt5Core.so.5\n"
           "called_from_lib:libQt5Test.so.5\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
#endif

#ifdef OSTREL_ASAN
// Qt's offscreen platform plugin keeps allocations for the life of the process; without full
// stacks the frame that names the plugin is cut off and the suppression cannot match.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libqoffscreen.so\n"
           "leak:QScreen::QScreen\n"
           "leak:QPlatformScreen::QPlatformScreen\n"
           "leak:QWindowSystemInterface::handleScreenAdded\n"
           "leak:libfontconfig.so\n";
}
#endif
