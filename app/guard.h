// The general error handler: every handler runs through Guarded, so that an
// error ends the handler, shows its message in the error box and the program
// goes on. No exception crosses the event loop.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "common/error.h"
#include "platform/dialogs.h"

#include <QString>

class QWidget;

namespace ca {

template <class F>
void Guarded(QWidget* parent, F&& handler) {
    try {
        handler();
    } catch (const Error& e) {
        ShowErrorText(parent, QString::fromStdString(e.Shown()));
    } catch (const std::bad_alloc&) {
        ShowErrorBox(parent, J("メモリが足りません"));
    } catch (const std::exception& e) {
        ShowErrorBox(parent, J("内部エラー: ") + e.what());
    }
}

}  // namespace ca
