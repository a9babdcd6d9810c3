#pragma once

#include <exception>
#include <functional>

namespace qui
{

// Where controls send the errors they catch: an engine refusal must never leave a slot or an
// event handler, so controls report it here and carry on. The program installs a hook that
// shows its error dialog; the default one only logs.
using ErrorHook = std::function<void(const std::exception&)>;

// Installs the hook; an empty function restores the default.
void setErrorHook(ErrorHook hook);
void reportError(const std::exception& error);

} // namespace qui
