// The data-entry window: the grid and the commands on it, and the launch of
// an analysis.
#pragma once

#include <QPushButton>
#include <QWidget>

#include <functional>

#include "app/stringgrid.h"
#include "entry/grid.h"
#include "entry/history.h"
#include "platform/dialogs.h"

namespace ca {

class TFCoord : public QWidget {
    Q_OBJECT
public:
    explicit TFCoord(QWidget* parent = nullptr);
    ~TFCoord() override;

    GridModel& Grid() { return grid_; }
    // True once a launch has completed (the store holds the data and the
    // output file is open).
    bool Launched() const { return launched_; }

    StringGrid* StringGrid1;
    QPushButton* AddButton;
    QPushButton* DelButton;
    QPushButton* AddColButton;
    QPushButton* DelColButton;
    QPushButton* SaveButton;
    QPushButton* LoadButton;
    QPushButton* WRCSVButton;
    QPushButton* RDCSVButton;
    QPushButton* PButton;
    QPushButton* CentroidButton;
    QPushButton* WardButton;
    FileDialog SaveDialog1;
    FileDialog OpenDialog1;
    // Checks a launch makes before it touches anything (the main window sets
    // the check of its font size); an error ends the launch.
    std::function<void(int distType)> beforeLaunch;

    void FormCreate();
    void AddButtonClick();
    void DelButtonClick();
    void AddColButtonClick();
    void DelColButtonClick();
    void SaveButtonClick();
    void LoadButtonClick();
    void WRCSVButtonClick();
    void RDCSVButtonClick();
    void PButtonClick();
    void CentroidButtonClick();
    void WardButtonClick();
    // Ctrl+Z, Ctrl+Shift+Z (Ctrl+Y) and the paste of a block on the grid.
    void Undo();
    void Redo();
    void Paste(const QString& text);
    // The table differs from what was last loaded, imported or saved (a new
    // window's table counts as saved).
    bool Unsaved();

protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* MakeButton(const char* caption, int left, int top, int width, void (TFCoord::*handler)());
    // Runs a command that may rewrite much of the grid, then shows it anew.
    template <class F>
    void Rewriting(F&& change);
    // As Rewriting, and the change becomes one step of the history; `change`
    // answers whether it changed anything. A change that raises is kept.
    template <class F>
    void Recorded(F&& change);
    // A row or column command, recorded.
    void RunCommand(GridHistory::Command command);
    // Asks whether to save a table that differs from its file; false to stay.
    bool MayClose();
    void LaunchClick(int distType);

    GridModel grid_;
    GridHistory history_;
    bool launched_ = false;
};

}  // namespace ca
