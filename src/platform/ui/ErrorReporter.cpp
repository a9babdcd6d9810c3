#include "ErrorReporter.h"

#include <QDebug>

namespace qui
{

namespace
{
    ErrorHook& hook()
    {
        static ErrorHook h;
        return h;
    }
}

void setErrorHook(ErrorHook h)
{
    hook() = std::move(h);
}

void reportError(const std::exception& error)
{
    if (hook()) {
        try {
            hook()(error);
        } catch (...) {
            // A failing hook must not turn a reported error into a crash in an event handler.
            qWarning("qui: the error hook threw while reporting: %s", error.what());
        }
        return;
    }
    qWarning("qui: %s", error.what());
}

} // namespace qui
