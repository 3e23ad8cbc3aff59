// The general error handler: every handler runs through Guarded, so that an
// error ends the handler, shows its message in the error box and the program
// goes on. No exception crosses the event loop.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "common/error.h"
#include "platform/dialogs.h"

class QWidget;

namespace ca {

template <class F>
void Guarded(QWidget* parent, F&& handler) {
    try {
        handler();
    } catch (const Error& e) {
        ShowErrorBox(parent, e.Message());
    } catch (const std::bad_alloc&) {
        ShowErrorBox(parent, J("メモリが足りません"));
    } catch (const std::exception& e) {
        ShowErrorBox(parent, J("内部エラー: ") + e.what());
    }
}

}  // namespace ca
