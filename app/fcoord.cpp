#include "app/fcoord.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QMessageBox>
#include <QProgressDialog>

#include "app/guard.h"
#include "app/printer.h"
#include "common/sjis.h"
#include "engine/store.h"
#include "entry/csv.h"
#include "entry/datafile.h"
#include "entry/launch.h"
#include "entry/paste.h"
#include "entry/tabletext.h"
#include "platform/locale.h"
#include "platform/printer_canvas.h"

namespace ca {
namespace {

QFont FaceAtCellHeight(const char* face, int cellHeight) {
    // The font whose character cell, internal leading included, is the height asked for.
    QFont font(QString::fromUtf8(face));
    int pixels = cellHeight;
    font.setPixelSize(pixels);
    while (pixels > 4 && QFontMetrics(font).height() > cellHeight) font.setPixelSize(--pixels);
    return font;
}

}  // namespace

TFCoord::TFCoord(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QString::fromUtf8("座標値"));
    setGeometry(200, 107, 749, 456);
    QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    StringGrid1 = new StringGrid(grid_, this);
    StringGrid1->setGeometry(8, 0, 537, 417);
    StringGrid1->setFont(FaceAtCellHeight("ＭＳ ゴシック", 16));
    StringGrid1->Model().GridReset();  // headings take the grid's font
    StringGrid1->cellEdited = [this](int col, int row, std::string before) {
        history_.CellChanged(col, row, std::move(before));
    };
    connect(StringGrid1, &StringGrid::undoRequested, this, [this] { Guarded(this, [&] { Undo(); }); });
    connect(StringGrid1, &StringGrid::redoRequested, this, [this] { Guarded(this, [&] { Redo(); }); });
    connect(StringGrid1, &StringGrid::pasteRequested, this,
            [this](const QString& text) { Guarded(this, [&] { Paste(text); }); });
    AddButton = MakeButton("追 加（行）", 568, 8, 75, &TFCoord::AddButtonClick);
    DelButton = MakeButton("削 除（行）", 656, 8, 75, &TFCoord::DelButtonClick);
    AddColButton = MakeButton("追 加（列）", 568, 56, 75, &TFCoord::AddColButtonClick);
    DelColButton = MakeButton("削 除（列）", 656, 56, 75, &TFCoord::DelColButtonClick);
    SaveButton = MakeButton("保  存", 568, 104, 75, &TFCoord::SaveButtonClick);
    LoadButton = MakeButton("読  出", 656, 104, 75, &TFCoord::LoadButtonClick);
    WRCSVButton = MakeButton("保存（CSV）", 568, 152, 75, &TFCoord::WRCSVButtonClick);
    RDCSVButton = MakeButton("読出（CSV）", 656, 152, 75, &TFCoord::RDCSVButtonClick);
    PButton = MakeButton("印  刷", 616, 200, 75, &TFCoord::PButtonClick);
    CentroidButton = MakeButton("重心法", 600, 248, 105, &TFCoord::CentroidButtonClick);
    WardButton = MakeButton("Ward法", 600, 296, 105, &TFCoord::WardButtonClick);

    // Tab order: grid, add row, delete row, centroid, save, load, print,
    // CSV save, CSV load, Ward, add column, delete column.
    QWidget* order[] = {StringGrid1, AddButton,   DelButton,   CentroidButton, SaveButton,   LoadButton,
                        PButton,     WRCSVButton, RDCSVButton, WardButton,     AddColButton, DelColButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    FormCreate();
}

TFCoord::~TFCoord() {
    // The grid view reads the grid model, which goes before the child widgets would.
    delete StringGrid1;
}

QPushButton* TFCoord::MakeButton(const char* caption, int left, int top, int width, void (TFCoord::*handler)()) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setGeometry(left, top, width, 25);
    b->setAutoDefault(true);  // Return or Enter on the focused button clicks it, as Space does
    connect(b, &QPushButton::clicked, this, [this, handler] { Guarded(this, [&] { (this->*handler)(); }); });
    return b;
}

template <class F>
void TFCoord::Rewriting(F&& change) {
    StringGrid1->Model().Suspend();
    struct Resume {
        TFCoord* w;
        ~Resume() {
            w->StringGrid1->Model().Resume();
            w->StringGrid1->EditCurrent();
        }
    } resume{this};
    change();
}

template <class F>
void TFCoord::Recorded(F&& change) {
    StringGrid1->FinishEdit();
    auto before = std::make_unique<GridModel>(grid_);
    const uint64_t revision = grid_.Revision();
    bool changed = true;
    try {
        Rewriting([&] { changed = change(); });
    } catch (...) {
        // What a failed load read stays, and can be undone.
        if (grid_.Revision() != revision) history_.TableChanged(std::move(before));
        throw;
    }
    if (changed) history_.TableChanged(std::move(before));
}

void TFCoord::Undo() {
    StringGrid1->FinishEdit();
    Rewriting([&] { history_.Undo(grid_); });
}

void TFCoord::Redo() {
    StringGrid1->FinishEdit();
    Rewriting([&] { history_.Redo(grid_); });
}

void TFCoord::Paste(const QString& text) {
    const std::string utf8 = text.toStdString();
    std::string sjis, bad;
    if (!TryUtf8ToSjis(utf8, sjis, &bad)) {  // like typed text; nothing of it comes in
        ShowMessageBox(this, QString::fromUtf8("文字 \"%1\" は Shift_JIS (コードページ 932) で表せないため貼り付けできません"
                                               "（%2 行目）")
                                 .arg(QString::fromStdString(bad))
                                 .arg(LineOf(utf8, bad)));
        return;
    }
    const auto rows = SplitBlock(sjis);
    Recorded([&] { return PasteBlock(grid_, rows); });
}

bool TFCoord::Unsaved() {
    StringGrid1->FinishEdit();
    return !history_.IsClean();
}

bool TFCoord::MayClose() {
    if (launched_ || !Unsaved()) return true;
    const auto answer = QMessageBox::question(
        this, windowTitle(), QString::fromUtf8("表は保存されていません。閉じる前に保存しますか？"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard) return true;
    if (answer != QMessageBox::Save) return false;
    Guarded(this, [&] { SaveButtonClick(); });
    return !Unsaved();  // saved: closes; a cancelled or failed save keeps the window
}

void TFCoord::FormCreate() {
    Rewriting([&] { ca::FormCreate(grid_); });
}

void TFCoord::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    StringGrid1->setFocus();
    StringGrid1->EditCurrent();
}

void TFCoord::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    Store().DataReady = 1;
    history_ = GridHistory();  // the window is not shown again: its history ends
    event->accept();  // hidden, not destroyed
}

void TFCoord::RunCommand(GridHistory::Command command) {
    StringGrid1->FinishEdit();
    Rewriting([&] { history_.Run(grid_, command); });
}

void TFCoord::AddButtonClick() { RunCommand(GridHistory::Command::AddRow); }
void TFCoord::DelButtonClick() { RunCommand(GridHistory::Command::DelRow); }
void TFCoord::AddColButtonClick() { RunCommand(GridHistory::Command::AddCol); }
void TFCoord::DelColButtonClick() { RunCommand(GridHistory::Command::DelCol); }

void TFCoord::SaveButtonClick() {
    SaveDialog1.title = QString::fromUtf8("ファイル名");
    SaveDialog1.fileName.clear();
    if (!SaveDialog1.Execute(this, FileDialog::Use::Save)) return;
    StringGrid1->FinishEdit();
    SaveDataFile(grid_, SaveDialog1.Path());
    history_.SetClean();
}

void TFCoord::LoadButtonClick() {
    OpenDialog1.title = QString::fromUtf8("ファイル名");
    OpenDialog1.filter.clear();
    OpenDialog1.fileName.clear();
    if (!OpenDialog1.Execute(this)) return;
    Recorded([&] {
        LoadDataFile(grid_, OpenDialog1.Path());
        return true;
    });
    history_.SetClean();
}

void TFCoord::WRCSVButtonClick() {
    SaveDialog1.title = QString::fromUtf8("ファイル名");
    SaveDialog1.filter = QStringLiteral("CSV files (*.csv)|*.CSV");
    SaveDialog1.fileName.clear();
    auto written = [](const QString& chosen) {
        return QFile::decodeName(CsvFileName(QFile::encodeName(chosen).toStdString()).c_str());
    };
    if (!SaveDialog1.Execute(this, FileDialog::Use::Save, written)) return;
    const std::string chosen = SaveDialog1.Path();
    SaveDialog1.filter.clear();
    StringGrid1->FinishEdit();
    ExportCsv(grid_, chosen);
    history_.SetClean();
}

void TFCoord::RDCSVButtonClick() {
    OpenDialog1.title = QString::fromUtf8("ファイル名");
    OpenDialog1.filter = QStringLiteral("CSV files (*.csv)|*.CSV");
    OpenDialog1.fileName.clear();
    if (!OpenDialog1.Execute(this)) return;
    OpenDialog1.filter.clear();
    Recorded([&] {
        ImportCsv(grid_, OpenDialog1.Path());
        return true;
    });
    history_.SetClean();
}

void TFCoord::PButtonClick() {
    PrintJob job(J("座標値"));
    // Cancelling the print dialog means: do not print.
    if (!job.Ask(this)) return;
    // A long table takes a while: show how far it is, and let the user stop it.
    QProgressDialog progress(this);
    progress.setWindowTitle(windowTitle());
    progress.setLabelText(QString::fromUtf8("印刷しています..."));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(300);
    progress.setAutoReset(false);
    PrintTable(grid_, job.Canvas(), [&](int done, int total) {
        if (progress.maximum() != total) progress.setMaximum(total);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
}

void TFCoord::CentroidButtonClick() { LaunchClick(0); }
void TFCoord::WardButtonClick() { LaunchClick(1); }

void TFCoord::LaunchClick(int distType) {
    if (beforeLaunch) beforeLaunch(distType);
    auto choose = [this]() -> std::optional<std::string> {
        OpenDialog1.title = QStringLiteral("Output File");
        OpenDialog1.filter.clear();
        OpenDialog1.fileName.clear();
        if (!OpenDialog1.Execute(this, FileDialog::Use::Save)) return std::nullopt;
        return OpenDialog1.Path();
    };
    LaunchResult r = Launch(Store(), grid_, distType, choose, LocaleDecimalSeparator());
    if (r.outcome == LaunchOutcome::BadCell) {
        ShowMessageBox(this, QString::fromStdString(SjisToUtf8(r.message)));
        return;
    }
    if (r.outcome != LaunchOutcome::Launched) return;
    launched_ = true;
    close();
}

}  // namespace ca
