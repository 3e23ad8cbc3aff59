#include "app/fmain.h"

#include <QApplication>
#include <QCloseEvent>

#include "app/guard.h"
#include "app/printer.h"
#include "common/error.h"
#include "common/sjis.h"
#include "engine/dendrogram.h"
#include "engine/store.h"
#include "entry/launch.h"
#include "platform/locale.h"
#include "platform/printer_canvas.h"

namespace ca {

TFMain::TFMain(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Cluster Analysis"));
    setGeometry(192, 107, 488, 234);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
    font.setPixelSize(16);
    setFont(font);

    Label1 = new QLabel(QString::fromUtf8("フォント・サイズ = "), this);
    Label1->setGeometry(152, 32, 120, 16);
    FontEdit = new QLineEdit(QStringLiteral("12"), this);
    FontEdit->setGeometry(272, 24, 57, 24);
    CoordButton = new QPushButton(QString::fromUtf8("データの設定"), this);
    CoordButton->setGeometry(112, 80, 113, 25);
    ExitButton = new QPushButton(QStringLiteral("Exit"), this);
    ExitButton->setGeometry(296, 80, 75, 25);
    // Return or Enter on the focused button clicks it, as Space does.
    for (QPushButton* b : {CoordButton, ExitButton}) b->setAutoDefault(true);
    setTabOrder(ExitButton, CoordButton);
    setTabOrder(CoordButton, FontEdit);
    ExitButton->setFocus();

    connect(CoordButton, &QPushButton::clicked, this, [this] { Guarded(this, [this] { CoordButtonClick(); }); });
    connect(ExitButton, &QPushButton::clicked, this, [this] { Guarded(this, [this] { ExitButtonClick(); }); });
}

TFMain::~TFMain() = default;

void TFMain::ExitButtonClick() { close(); }

void TFMain::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, also while a data-entry
    // window is open: that window closes (it may ask to save its table, and
    // a cancel keeps both windows), and a waiting run ends quietly.
    for (auto& w : coords_) {
        if (!w->isVisible()) continue;
        closing_ = true;
        if (!w->close()) {
            closing_ = false;
            event->ignore();
            return;
        }
    }
    closing_ = true;
    event->accept();
    QApplication::quit();
}

void TFMain::CoordButtonClick() {
    if (running_) return;  // one run at a time
    running_ = true;
    struct Done {
        TFMain* w;
        ~Done() {
            w->running_ = false;
            w->waiting_ = false;
            w->CoordButton->setEnabled(true);
        }
    } done{this};
    Run();
}

void TFMain::Run() {
    AnalysisStore& s = Store();
    coords_.push_back(std::make_unique<TFCoord>());
    FCoord = coords_.back().get();
    // A font size that is no size, or that the page cannot hold, is reported
    // while the table is still there.
    FCoord->beforeLaunch = [this](int distType) {
        const GridModel& grid = FCoord->Grid();
        std::vector<std::string> labels;
        for (int r = 2; r < grid.RowCount(); ++r) labels.push_back(grid.Cell(1, r));
        PrintJob measure("");
        CheckDendrogramFits(measure.Canvas(), FontSizeText(), labels, distType);
    };
    FCoord->show();
    s.DataReady = 0;

    // Wait for the data-entry window, dispatching events; block while idle.
    waiting_ = true;
    CoordButton->setEnabled(false);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    } while (s.DataReady == 0);
    waiting_ = false;
    CoordButton->setEnabled(true);

    // Closed without a launch, or the program is ending: nothing to run.
    if (closing_ || !FCoord->Launched()) return;

    ExitButton->setFocus();
    repaint();
    const RunOutcome outcome = RunAnalysis(s, LocaleDecimalSeparator(), [this] { PrintDendrogramStep(); });
    if (outcome == RunOutcome::InvalidDistType) {
        ShowMessageBox(this, QStringLiteral("Invalid value of DistType"));
        close();
        return;
    }
    ShowMessageBox(this, QStringLiteral("Calculation ended. Output File = ") + FCoord->OpenDialog1.fileName);
    close();
}

void TFMain::PrintDendrogramStep() {
    AnalysisStore& s = Store();
    PrintJob job(s.DistType == 0 ? J("重心法") : J("Ward法"));
    // Cancelling the print dialog means: do not print; the run goes on.
    if (!job.Ask(this)) return;
    PrintDendrogram(s, job.Canvas(), FontSizeText(), LocaleDecimalSeparator());
}

std::string TFMain::FontSizeText() const {
    const std::string typed = FontEdit->text().toStdString();
    std::string sjis;
    if (!TryUtf8ToSjis(typed, sjis)) throw ConvertError::Typed(typed);  // not an integer either
    return sjis;
}

}  // namespace ca
