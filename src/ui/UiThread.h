// Running code on the user-interface thread.
//
// GTK allows window calls on the user-interface thread only. A worker that
// needs a window call made synchronously uses RunOnUiThread: the call is
// queued to the user-interface thread and the worker waits for its result.
// PostToUiThread queues without waiting. Both work while a modal loop runs on
// the user-interface thread (every wx event loop serves the queue), so a
// worker may ask a question through a modal dialog this way.
//
// The user-interface thread must never block waiting on a worker that may
// still call RunOnUiThread; it keeps serving events until the worker is done.
#pragma once

#include <wx/app.h>
#include <wx/thread.h>

#include <future>
#include <memory>
#include <type_traits>
#include <utility>

// True on the user-interface (main) thread.
inline bool IsUiThread() { return wxThread::IsMain(); }

// Runs fn on the user-interface thread and returns its result. On that thread
// fn runs at once; from another thread it is queued and the caller waits until
// it has run (an exception fn throws reaches the caller). Without an
// application object nothing can serve the queue: fn is then not run and a
// default value is returned.
template <class F>
std::invoke_result_t<F&> RunOnUiThread(F fn)
{
    using R = std::invoke_result_t<F&>;
    if (IsUiThread())
        return fn();
    wxAppConsole* pApp = wxAppConsole::GetInstance();
    if (pApp == nullptr)
    {
        if constexpr (std::is_void_v<R>)
            return;
        else
            return R{};
    }
    // The task is shared so that it stays alive until the queued call has
    // finished with it, even after the waiting caller has moved on.
    auto pTask = std::make_shared<std::packaged_task<R()>>(std::move(fn));
    std::future<R> future = pTask->get_future();
    pApp->CallAfter([pTask] { (*pTask)(); });
    return future.get();
}

// Queues fn to run on the user-interface thread and returns at once. fn must
// be copyable. On the user-interface thread fn also runs later, from the event
// loop, never immediately.
template <class F>
void PostToUiThread(F fn)
{
    if (wxAppConsole* pApp = wxAppConsole::GetInstance())
        pApp->CallAfter(std::move(fn));
}
