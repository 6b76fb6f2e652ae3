// The toolchain keeps thread_local objects in storage that a thread-exit callback frees, and runs
// their destructors from another callback, in the order the two were registered. Registering the
// destructors' callback first, before any thread_local is touched, makes destructors run while
// every thread_local of the thread is still there; otherwise they run on freed memory.

extern "C" int __cxa_thread_atexit(void (*)(void*), void*, void*);
extern "C" char __dso_handle;

namespace {

void Nothing(void*) {}

struct TDestructorsFirst {
  TDestructorsFirst() { __cxa_thread_atexit(Nothing, nullptr, &__dso_handle); }
};
// Before every other initializer: one of them could touch a thread_local.
TDestructorsFirst destructorsFirst __attribute__((init_priority(101)));

}  // namespace

// Named in the link options, so that every program links this file.
extern "C" {
int quillara_thread_exit_order = 0;
}
