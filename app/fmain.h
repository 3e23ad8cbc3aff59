// The main window and the analysis run behind its button.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/fcoord.h"

namespace ca {

class TFMain : public QWidget {
    Q_OBJECT
public:
    explicit TFMain(QWidget* parent = nullptr);
    ~TFMain() override;

    QLabel* Label1;
    QLineEdit* FontEdit;
    QPushButton* CoordButton;
    QPushButton* ExitButton;

    // The data-entry window of the current (or last) run.
    TFCoord* FCoord = nullptr;
    // True while a run waits for the data-entry window.
    bool Waiting() const { return waiting_; }

    void CoordButtonClick();
    void ExitButtonClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Run();
    void PrintDendrogramStep();
    // The font size as typed, in Shift_JIS; text that Shift_JIS cannot hold is
    // no integer and is reported as such.
    std::string FontSizeText() const;

    std::vector<std::unique_ptr<TFCoord>> coords_;  // every data-entry window, until the program ends
    bool running_ = false;
    bool waiting_ = false;
    bool closing_ = false;
};

}  // namespace ca
