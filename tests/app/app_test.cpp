// The windows through their real widgets, offscreen: layouts, typing, the
// buttons through their dialogs, and whole runs from the main window.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/fcoord.h"
#include "app/fmain.h"
#include "app/printer.h"
#include "common/error.h"
#include "tests/support/files.h"
#include "tests/support/fulldisk.h"
#include "common/sjis.h"
#include "engine/dendrogram.h"
#include "engine/store.h"
#include "entry/launch.h"
#include "platform/dialogs.h"
#include "platform/printer_canvas.h"

namespace ca {
namespace {

using testing::ReadAll;
using testing::TempDir;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Answers the file dialogs shown by the program: each answer is the path to
// choose, or "" to cancel. Records each dialog's title and filters.
struct FileAnswers {
    std::vector<std::string> answers;
    std::vector<QString> titles;
    std::vector<QStringList> filters;
    std::vector<QFileDialog::AcceptMode> modes;
    static FileAnswers* current;

    FileAnswers() {
        current = this;
        FileDialog::onShow = [](QFileDialog& d) {
            FileAnswers* self = current;
            self->titles.push_back(d.windowTitle());
            self->filters.push_back(d.nameFilters());
            self->modes.push_back(d.acceptMode());
            std::string answer = self->answers.empty() ? "" : self->answers.front();
            if (!self->answers.empty()) self->answers.erase(self->answers.begin());
            QTimer::singleShot(0, &d, [&d, answer] {
                if (answer.empty()) {
                    d.reject();
                } else {
                    d.selectFile(QString::fromStdString(answer));
                    QMetaObject::invokeMethod(&d, "accept");
                    if (d.isVisible()) d.reject();  // still open: the user gives up
                }
            });
        };
    }
    ~FileAnswers() {
        FileDialog::onShow = nullptr;
        current = nullptr;
    }
};
FileAnswers* FileAnswers::current = nullptr;

// Calls `act` on the next modal dialog of type T as soon as it shows.
template <class T>
void OnNextModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start(20);
}

// Typing as the keyboard and the input method deliver it: keys for ASCII,
// committed text for everything else.
void Type(QWidget* editor, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(editor, QString(c));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(editor, &commit);
        }
    }
}

// The next control of the same window that the Tab key stops at.
QWidget* NextTabStop(QWidget* from) {
    QWidget* at = from;
    while ((at = at->nextInFocusChain()) != from) {
        if (at->parentWidget() == from->parentWidget() && (at->focusPolicy() & Qt::TabFocus)) return at;
    }
    return nullptr;
}

void TypeInto(TFCoord& w, int col, int row, const QString& text) {
    QApplication::setActiveWindow(&w);
    w.Grid().SetCurrent(col, row);
    w.StringGrid1->EditCurrent();
    auto* editor = qobject_cast<QLineEdit*>(w.StringGrid1->Editor());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    Type(editor, text);
}

TEST(Windows, MainWindowFocusAndTabOrder) {
    TFMain m;
    m.show();
    QApplication::setActiveWindow(&m);
    EXPECT_EQ(m.focusWidget(), m.ExitButton);
    EXPECT_EQ(NextTabStop(m.ExitButton), m.CoordButton);
    EXPECT_EQ(NextTabStop(m.CoordButton), m.FontEdit);
}

TEST(Windows, DataEntryTabOrderAndInitialGrid) {
    TFCoord w;
    w.show();
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    // Tab order by the layout's numbers.
    QWidget* expected[] = {w.AddButton,   w.DelButton,   w.CentroidButton, w.SaveButton,
                           w.LoadButton,  w.PButton,     w.WRCSVButton,    w.RDCSVButton,
                           w.WardButton,  w.AddColButton, w.DelColButton};
    QWidget* at = w.StringGrid1;
    for (QWidget* next : expected) {
        at = NextTabStop(at);
        EXPECT_EQ(at, next);
    }
    // The grid: headings as headers, 2 objects and 1 attribute, editor open on (1, 1).
    auto& model = w.StringGrid1->Model();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), U(" ラベル"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), U(" 属性 1"));
    EXPECT_EQ(model.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), U(" 対象 2"));
    EXPECT_EQ(w.StringGrid1->currentIndex(), model.index(0, 0));
    EXPECT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    EXPECT_EQ(w.StringGrid1->verticalHeader()->width(), 96);
    EXPECT_EQ(QFontInfo(w.StringGrid1->font()).family(), "IPAGothic");
    // A one-column table (no fixed column) and back, as a load undone: each shows its widths.
    GridModel other;
    FormCreate(other);
    other.SetColCount(1);
    for (int trade = 0; trade < 2; ++trade) {
        w.Grid().Exchange(other);
        for (int s = 0; s < model.columnCount(); ++s)
            EXPECT_EQ(w.StringGrid1->columnWidth(s), w.Grid().ColWidth(s + w.Grid().FixedCols())) << trade << s;
    }
}

TEST(Windows, TypingIsTheCellsTextAtOnce) {
    TFCoord w;
    w.show();
    QApplication::setActiveWindow(&w);
    TypeInto(w, 1, 2, U("東京"));
    EXPECT_EQ(w.Grid().Cell(1, 2), J("東京"));  // no commit step
    Type(w.StringGrid1->Editor(), U("€"));
    EXPECT_EQ(w.Grid().Cell(1, 2), J("東京"));
    EXPECT_NE(w.StringGrid1->LastRefusal().indexOf(U("€")), -1);
    EXPECT_EQ(qobject_cast<QLineEdit*>(w.StringGrid1->Editor())->text(), U("東京"));
    // A handler sees the open editor's text: add a row below object 1.
    QTest::keyClicks(w.StringGrid1->Editor(), "x");
    w.AddButton->click();
    EXPECT_EQ(w.Grid().RowCount(), 5);
    EXPECT_EQ(w.Grid().Cell(1, 2), J("東京x"));
    EXPECT_EQ(w.Grid().Cell(1, 3), " ");
    EXPECT_EQ(w.StringGrid1->Model().rowCount(), 4);
}

TEST(Windows, SaveLoadAndCsvThroughTheirDialogs) {
    TempDir dir;
    TFCoord w;
    w.show();
    TypeInto(w, 1, 2, "A");
    TypeInto(w, 2, 2, "1.5");
    {
        FileAnswers a;
        a.answers = {dir.File("t.dat"), dir.File("t"), ""};
        w.SaveButton->click();
        w.WRCSVButton->click();
        w.WRCSVButton->click();  // cancelled: the CSV filter stays for the next save
        ASSERT_EQ(a.titles.size(), 3u);
        EXPECT_EQ(a.titles[0], U("ファイル名"));
        EXPECT_EQ(a.filters[1], QStringList{"CSV files (*.csv)"});
    }
    EXPECT_EQ(ReadAll(dir.File("t.dat")), "4\r\n3\r\n\r\n\r\nA\r\n1.5\r\n\r\n\r\n");
    EXPECT_EQ(ReadAll(dir.File("t.csv")), ",\r\nA,1.5\r\n,\r\n");
    EXPECT_EQ(w.SaveDialog1.filter, "CSV files (*.csv)|*.CSV");

    TFCoord v;
    v.show();
    {
        FileAnswers a;
        a.answers = {dir.File("t.dat"), dir.File("missing.dat")};
        v.LoadButton->click();
        EXPECT_EQ(v.Grid().Cell(2, 2), "1.5");
        // A missing file: the error box, titled with the program's title.
        std::string shown;
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
            shown = box->text().toStdString();
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->windowTitle(), ProgramTitle());
            box->accept();
        });
        v.LoadButton->click();
        EXPECT_EQ(shown, "ファイルが見つかりません.");
        EXPECT_EQ(v.Grid().Cell(1, 2), "A");
    }
    {
        FileAnswers a;
        std::ofstream(dir.File("in.csv"), std::ios::binary) << ",h,w\r\nP,1,2\r\nQ,3,4\r\nR,5,6\r\n";
        a.answers = {dir.File("in.csv")};
        v.RDCSVButton->click();
        EXPECT_EQ(v.Grid().RowCount(), 5);
        EXPECT_EQ(v.Grid().ColCount(), 4);
        EXPECT_EQ(v.StringGrid1->Model().rowCount(), 4);
        EXPECT_EQ(v.Grid().Cell(3, 4), "6");
        EXPECT_TRUE(v.OpenDialog1.filter.isEmpty());
    }
}

TEST(Windows, PrintingTheTableAndCancellingIt) {
    TempDir dir;
    TFCoord w;
    w.show();
    const std::string pdf = dir.File("table.pdf");
    LastPrintChoice() = {true, true, {}, QString::fromStdString(pdf)};
    OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->reject(); });
    w.PButton->click();
    EXPECT_FALSE(std::filesystem::exists(pdf));  // cancel means: do not print
    OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
    w.PButton->click();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    ASSERT_EQ(std::system(("pdftotext -layout " + pdf + " " + dir.File("t.txt")).c_str()), 0);
    const std::string text = ReadAll(dir.File("t.txt"));
    EXPECT_NE(text.find("Data ="), std::string::npos);
    EXPECT_NE(text.find("属性ラベル"), std::string::npos);
    EXPECT_NE(text.find("対象 2"), std::string::npos);
    // A PDF that cannot be written to its end: the error box, and no file.
    std::filesystem::remove(pdf);
    QString shown;
    OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
    OnNextModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->accept();
    });
    {
        testing::FileSizeLimit cap(2048);
        w.PButton->click();
    }
    EXPECT_TRUE(shown.startsWith(U("PDF ファイルを最後まで書き込めませんでした"))) << shown.toStdString();
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST(Windows, BadCellIsReportedAndTheWindowStays) {
    TFCoord w;
    w.show();
    TypeInto(w, 1, 2, "A");
    TypeInto(w, 2, 2, "abc");
    QString shown;
    OnNextModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        box->accept();
    });
    w.CentroidButton->click();
    EXPECT_EQ(shown, "Error ===>  Cells[2,1] = abc");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Launched());
}

// The table's history on the keys of a spreadsheet: a row deleted by mistake
// comes back with Ctrl+Z, and Ctrl+Y (Ctrl+Shift+Z) does it again.
TEST(Windows, CtrlZBringsBackADeletedRow) {
    TFCoord w;
    w.show();
    TypeInto(w, 1, 2, "A");
    TypeInto(w, 1, 3, "B");
    w.Grid().SetCurrent(1, 2);
    w.DelButton->click();
    ASSERT_EQ(w.Grid().Cell(1, 2), "B");
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(w.StringGrid1->Editor(), k, m); };
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.Grid().RowCount(), 4);
    EXPECT_EQ(w.Grid().Cell(1, 2), "A");
    EXPECT_EQ(w.Grid().Cell(1, 3), "B");
    EXPECT_EQ(std::pair(w.Grid().CurrentCol(), w.Grid().CurrentRow()), std::pair(1, 2));
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w.Grid().Cell(1, 2), "B");
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.Grid().Cell(1, 2), "B");
    for (int i = 0; i < 3; ++i) key(Qt::Key_Z, Qt::ControlModifier);  // the row, then each typed cell
    EXPECT_EQ(w.Grid().Cell(1, 2), "");
    EXPECT_EQ(w.Grid().Cell(1, 3), "");
}

// Ctrl+V of what a spreadsheet copies writes a block from the current cell,
// growing the table; a character Shift_JIS cannot hold refuses the whole
// paste. Ctrl+C copies the current cell.
TEST(Windows, CtrlVPastesABlockFromASpreadsheet) {
    TFCoord w;
    w.show();
    TypeInto(w, 1, 3, "old");
    auto key = [&](Qt::Key k) {  // to the editor, or to the grid where a message box closed it
        QWidget* to = w.StringGrid1->Editor() ? w.StringGrid1->Editor() : w.StringGrid1;
        QTest::keyClick(to, k, Qt::ControlModifier);
    };
    QGuiApplication::clipboard()->setText(U("東京\t1\r\n\"y\tz\"\t2\r\n"));
    key(Qt::Key_V);
    EXPECT_EQ(w.Grid().RowCount(), 5);
    EXPECT_EQ(w.Grid().Cell(1, 3), Utf8ToSjis("東京"));
    EXPECT_EQ(w.Grid().Cell(2, 3), "1");
    EXPECT_EQ(w.Grid().Cell(1, 4), "y\tz");
    EXPECT_EQ(w.Grid().Cell(0, 4), Utf8ToSjis(" 対象 3"));
    QString shown;
    OnNextModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->accept();
    });
    QGuiApplication::clipboard()->setText(U("\"a\nb\"\tx\nc\td\t€"));  // the second row, the third line
    key(Qt::Key_V);
    EXPECT_TRUE(shown.contains(U("€")) && shown.contains(U("3 行目"))) << shown.toStdString();
    EXPECT_EQ(w.Grid().Cell(1, 3), Utf8ToSjis("東京"));  // nothing of it came in
    key(Qt::Key_C);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), U("東京"));
    key(Qt::Key_Z);  // the paste, as one step
    EXPECT_EQ(w.Grid().RowCount(), 4);
    EXPECT_EQ(w.Grid().Cell(1, 3), "old");
    EXPECT_EQ(w.Grid().Cell(2, 3), "");
}

// Closing a table that differs from its file asks first: cancel keeps the
// window, save writes the file and closes. An untouched or just saved table
// closes without a question.
TEST(Windows, ClosingAnUnsavedTableAsks) {
    TempDir dir;
    FileAnswers files;
    std::vector<QString> asked;
    auto answer = [&](QMessageBox::StandardButton b) {
        OnNextModal<QMessageBox>([&asked, b](QMessageBox* box) {
            asked.push_back(box->text());
            box->button(b)->click();
        });
    };
    TFCoord untouched;
    untouched.show();
    files.answers = {dir.Put("bad.dat", "rows\r\n")};  // refused before the table changes
    OnNextModal<QMessageBox>([](QMessageBox* box) { box->accept(); });
    untouched.LoadButton->click();
    ASSERT_FALSE(untouched.Unsaved());  // or closing would ask
    EXPECT_TRUE(untouched.close());
    TFCoord w;
    w.show();
    TypeInto(w, 1, 2, "A");
    answer(QMessageBox::Cancel);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    files.answers = {dir.File("t.dat")};
    answer(QMessageBox::Save);
    EXPECT_TRUE(w.close());
    EXPECT_NE(ReadAll(dir.File("t.dat")).find("A"), std::string::npos);
    EXPECT_EQ(asked.size(), 2u);
    w.show();
    EXPECT_TRUE(w.close());  // as saved
    w.show();
    TypeInto(w, 1, 2, "B");
    answer(QMessageBox::Discard);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(asked.size(), 3u);
}

// One run from the main window as the user drives it, in the application's
// event loop: the main window's button starts it, and while it waits `act`
// is done in its data-entry window. The file dialogs get `files`, the print
// dialog is accepted when `print`, every message box is accepted (a question
// to save is answered "discard") and its text kept. Drive tells how the run ended; a run that has not ended within
// 30 s is ended by closing the main window.
enum RunEnd { kProgramEnded, kMainWindowStays, kHung };
struct MainRun {
    TempDir dir;
    const std::string out = dir.File("out.txt"), pdf = dir.File("d.pdf");
    TFMain m;
    FileAnswers files;
    bool print = true;
    std::vector<QString> messages;

    MainRun() {
        LastPrintChoice() = {true, true, {}, QString::fromStdString(pdf)};
        m.show();
    }
    RunEnd Drive(const std::function<void(TFCoord&)>& act) {
        QTimer dialogs, watchdog;
        QObject::connect(&dialogs, &QTimer::timeout, [this] {
            QWidget* d = QApplication::activeModalWidget();
            if (auto* p = qobject_cast<QPrintDialog*>(d)) {
                print ? p->accept() : p->reject();
            } else if (auto* box = qobject_cast<QMessageBox*>(d)) {
                messages.push_back(box->text());
                // The question before unsaved work is lost: leave it unsaved.
                if (QAbstractButton* discard = box->button(QMessageBox::Discard))
                    discard->click();
                else
                    box->accept();
            }
        });
        dialogs.start(20);
        bool hung = false;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            hung = true;
            m.close();
        });
        watchdog.start(30000);
        QTimer::singleShot(0, &m, [&] {
            QTimer::singleShot(0, &m, [&] { act(*m.FCoord); });
            m.CoordButton->click();  // returns when the run has ended
            if (m.isVisible()) QApplication::exit(kMainWindowStays);
        });
        const int code = QApplication::exec();  // QApplication::quit gives 0
        return hung ? kHung : static_cast<RunEnd>(code);
    }
    std::vector<QString> Ended() const { return {QString::fromStdString("Calculation ended. Output File = " + out)}; }
};

// A whole analysis: the output file, the printed dendrogram, the final
// message, and the end of the program.
void WholeRun(bool ward) {
    MainRun run;
    run.files.answers = {run.out};
    const RunEnd end = run.Drive([&](TFCoord& w) {
        TypeInto(w, 1, 2, U("東京"));
        TypeInto(w, 2, 2, "0");
        TypeInto(w, 1, 3, "B");
        TypeInto(w, 2, 3, "3");
        (ward ? w.WardButton : w.CentroidButton)->click();
    });
    EXPECT_EQ(end, kProgramEnded);
    EXPECT_EQ(run.files.titles, std::vector<QString>{"Output File"});
    EXPECT_EQ(run.files.modes, std::vector{QFileDialog::AcceptSave});
    EXPECT_EQ(run.messages, run.Ended());
    std::string expected = "\r\n" + J("入力データ...") + "\r\n  1 : " + J("東京") + "          0.0\r\n" +
                           "  2 : B             3.0\r\n";
    if (!ward) expected += "\r\n" + J("算出された距離...") + "\r\n" + J("東京") + "      \r\nB         3         \r\n";
    EXPECT_EQ(ReadAll(run.out), expected);
    ASSERT_EQ(std::system(("pdftotext -layout " + run.pdf + " " + run.dir.File("d.txt")).c_str()), 0);
    const std::string text = ReadAll(run.dir.File("d.txt"));
    for (const char* want : {ward ? "Ward法" : "重心法", "0.0", ward ? "4.50" : "9.00", "東京", "B"})
        EXPECT_NE(text.find(want), std::string::npos) << want << " not in " << text;
    EXPECT_EQ(Store().LiveRecordCount(), 0u);
}

TEST(Run, CentroidFromTheMainWindowToTheEnd) { WholeRun(false); }
TEST(Run, WardFromTheMainWindowToTheEnd) { WholeRun(true); }

TEST(Run, CancelledPrintDialogSkipsTheDendrogramOnly) {
    MainRun run;
    run.files.answers = {run.out};
    run.print = false;
    EXPECT_EQ(run.Drive([&](TFCoord& w) {
        TypeInto(w, 2, 2, "1");
        TypeInto(w, 2, 3, "4");
        w.WardButton->click();
    }), kProgramEnded);
    EXPECT_FALSE(std::filesystem::exists(run.pdf));
    EXPECT_EQ(run.messages, run.Ended());
    EXPECT_EQ(ReadAll(run.out), "\r\n" + J("入力データ...") + "\r\n  1 :               1.0\r\n  2 :               4.0\r\n");
}

TEST(Run, CancelledLaunchEndsTheRunQuietly) {
    MainRun run;
    run.files.answers = {""};  // cancel the output file
    EXPECT_EQ(run.Drive([&](TFCoord& w) {
        TypeInto(w, 2, 2, "1");
        TypeInto(w, 2, 3, "2");
        EXPECT_TRUE(run.m.Waiting());
        EXPECT_FALSE(run.m.CoordButton->isEnabled());  // no second run while one waits
        w.CentroidButton->click();                      // the dialog is cancelled
        EXPECT_TRUE(w.isVisible());
        w.close();                                      // closing without a launch
    }), kMainWindowStays);
    EXPECT_FALSE(run.m.Waiting());
    EXPECT_TRUE(run.m.CoordButton->isEnabled());
    // A new run opens a new data-entry window; Exit while it waits ends cleanly.
    TFCoord* first = run.m.FCoord;
    bool secondRunOpened = false;
    EXPECT_EQ(run.Drive([&](TFCoord& w) {
        secondRunOpened = &w != first && w.isVisible();
        run.m.ExitButton->click();
    }), kProgramEnded);
    EXPECT_TRUE(secondRunOpened);
    EXPECT_FALSE(run.m.FCoord->isVisible());
}

// A bad font size is reported at the launch, before anything is written,
// and the data window stays open with its table.
TEST(Run, BadFontSizeIsReportedWhileTheTableIsThere) {
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"abc", "'abc' は整数ではありません"},
        {"0", "フォント・サイズ '0' は 1 以上の整数で指定してください"},
        {"€12", "'€12' は整数ではありません"},  // Shift_JIS cannot hold it: no integer either
        {"300", "フォント・サイズ '300' は大きすぎます: 表題がページに収まりません"},  // on A4
    };
    MainRun run;  // a launch that went on would find its dialog cancelled
    EXPECT_EQ(run.Drive([&](TFCoord& w) {
        TypeInto(w, 2, 2, "1");
        TypeInto(w, 2, 3, "2");
        for (const auto& c : cases) {
            run.m.FontEdit->setText(U(c.typed));
            w.WardButton->click();
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(w.Grid().Cell(2, 3), "2");
        }
        w.close();
    }), kMainWindowStays);
    std::vector<QString> shown;
    for (const auto& c : cases) shown.push_back(U(c.shown));
    shown.push_back(U("表は保存されていません。閉じる前に保存しますか？"));  // the typed table was never saved
    EXPECT_EQ(run.messages, shown);
    EXPECT_TRUE(run.files.titles.empty());  // no output file was asked for
}

// A job the print server refuses is an error, not the end of a run: the
// message names the printer, the program goes on, and the output file is
// complete. Needs the private print server of scripts/test.
TEST(Run, APrintTheServerRefusesIsAnErrorAndTheProgramGoesOn) {
    if (const char* why = std::getenv("CLUSTER_PRINT_SERVER_SKIP")) GTEST_SKIP() << why;
    if (!std::getenv("CLUSTER_TEST_QUEUE_OUT")) GTEST_SKIP() << "no private print server (run scripts/test)";
    const std::string queue = "cluster-test-refusing-" + std::to_string(::getpid());
    ASSERT_EQ(std::system(("lpadmin -p " + queue + " -E -v cups-pdf:/cluster-test -P "
                           "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null && cupsreject " + queue).c_str()),
              0);
    MainRun run;
    LastPrintChoice() = {true, false, QString::fromStdString(queue), {}};
    run.files.answers = {run.out};
    EXPECT_EQ(run.Drive([&](TFCoord& w) {
        TypeInto(w, 2, 2, "1");
        TypeInto(w, 2, 3, "4");
        w.WardButton->click();
    }), kMainWindowStays);
    std::system(("lpadmin -x " + queue).c_str());
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_TRUE(run.messages[0].startsWith(QString::fromStdString("プリンタ " + queue + " に印刷できませんでした: "))) << run.messages[0].toStdString();
    EXPECT_EQ(ReadAll(run.out), "\r\n" + J("入力データ...") + "\r\n  1 :               1.0\r\n  2 :               4.0\r\n");
    EXPECT_EQ(Store().LiveRecordCount(), 0u);
}

// The dendrogram and the table through the program's own print path to the
// private print server's queue: both jobs arrive, with their pages. Needs
// the private print server of scripts/test.
TEST(Run, TheDendrogramAndTheTableArriveAtThePrintQueue) {
    const char* out = std::getenv("CLUSTER_TEST_QUEUE_OUT");
    if (const char* why = std::getenv("CLUSTER_PRINT_SERVER_SKIP")) GTEST_SKIP() << why;
    if (!out) GTEST_SKIP() << "no private print server (run scripts/test)";
    const std::string queue = "cluster-test-arrive-" + std::to_string(::getpid());
    ASSERT_EQ(std::system(("lpadmin -p " + queue + " -E -v cups-pdf:/cluster-test -P "
                           "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null").c_str()),
              0);
    LastPrintChoice() = {true, false, QString::fromStdString(queue), {}};
    // 100 objects: the dendrogram takes three pages at 12 points.
    GridModel grid;
    FormCreate(grid);
    grid.SetRowCount(102);
    for (int r = 2; r < 102; ++r) {
        grid.SetCell(1, r, "obj" + std::to_string(r - 1));
        grid.SetCell(2, r, std::to_string(r * 37 % 101));
    }
    TempDir dir;
    AnalysisStore& s = Store();
    ASSERT_EQ(Launch(s, grid, 1, [&] { return std::optional(dir.File("out.txt")); }, '.').outcome,
              LaunchOutcome::Launched);
    RunAnalysis(s, '.', [&] {
        PrintJob job(J("Ward法"));
        OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
        ASSERT_TRUE(job.Ask(nullptr));
        PrintDendrogram(s, job.Canvas(), "12", '.');
    });
    TFCoord w;
    w.show();
    OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
    w.PButtonClick();
    // The page count of job `id` of this queue once it has arrived whole
    // (cups-pdf names the file after the job; its text is lost on the way,
    // the queue printing through PostScript).
    auto pages = [&](int id) {
        const std::string suffix = "-job_" + std::to_string(id) + ".pdf";
        for (int i = 0; i < 300; ++i) {
            for (const auto& e : std::filesystem::directory_iterator(out)) {
                const std::string path = e.path();
                if (!path.ends_with(suffix) ||
                    std::system(("pdfinfo '" + path + "' >" + dir.File("info") + " 2>/dev/null").c_str()))
                    continue;
                const std::string info = ReadAll(dir.File("info"));
                const size_t at = info.find("Pages:");
                if (at != std::string::npos) return std::atoi(info.c_str() + at + 6);
            }
            QTest::qWait(100);
        }
        return -1;
    };
    // This queue's jobs, in order: the dendrogram, then the table.
    std::vector<int> ids;
    for (int i = 0; i < 100 && ids.size() < 2; ++i) {
        ids.clear();
        std::system(("lpstat -W all -o " + queue + " >" + dir.File("jobs")).c_str());
        std::istringstream jobs(ReadAll(dir.File("jobs")));
        for (std::string job, rest; jobs >> job && std::getline(jobs, rest);)
            ids.push_back(std::atoi(job.c_str() + job.rfind('-') + 1));
        QTest::qWait(50);
    }
    ASSERT_EQ(ids.size(), 2u);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(pages(ids[0]), 3);  // 100 rows at 12 points: 45 to an A4 page
    EXPECT_EQ(pages(ids[1]), 1);
    std::system(("lpadmin -x " + queue).c_str());
}

}  // namespace
}  // namespace ca

namespace ca {
namespace {

// A click where the user clicks: the widget under the point gets it, as the
// window system would deliver it.
void ClickCell(TFCoord& w, int col, int row) {
    const QPoint at = w.StringGrid1->viewport()->mapTo(&w, w.StringGrid1->visualRect(w.StringGrid1->Model().IndexOf(col, row)).center());
    QWidget* target = w.childAt(at);
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&w, at));
}
void KeysToFocus(const char* keys) {
    for (const char* k = keys; *k; ++k) QTest::keyClick(QApplication::focusWidget(), *k);
}

TEST(Windows, TypingGoesIntoTheClickedCell) {
    TFCoord w;
    w.show();
    QApplication::setActiveWindow(&w);
    TypeInto(w, 2, 2, "0");
    TypeInto(w, 2, 3, "1");
    // The editor closed with Return, a click on the (selected) current cell,
    // then at once the keys; and a first click on another cell, then a second.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    ClickCell(w, 2, 3);
    KeysToFocus("0.5");
    EXPECT_EQ(w.Grid().Cell(2, 3), "0.5");
    EXPECT_EQ(w.Grid().Cell(2, 2), "0");
    ClickCell(w, 1, 2);
    ClickCell(w, 1, 2);
    KeysToFocus("0x");
    EXPECT_EQ(w.Grid().Cell(1, 2), "0x");
    EXPECT_EQ(w.Grid().Cell(2, 2), "0");
}

// A cell keeps its bytes until the user changes them: a visit, an editor
// opened and closed, and an edit elsewhere in the text leave them as they were.
TEST(Windows, CellBytesSurviveVisitsAndEdits) {
    struct {
        std::string cell, lastCharDeleted;
    } cases[] = {
        {"\xED\x40\x87\x90", "\xED\x40"},                    // characters code page 932 codes twice
        {"A\x81 B\x85\x40\xFF", "A\x81 B\x85\x40"},          // a lone lead byte, an unmapped pair, a stray byte
        {"x\x81", "x"},                                    // a lead byte at the end
        {std::string(40000, '7'), std::string(39999, '7')},  // beyond a line editor's default limit
    };
    TFCoord w;
    w.show();
    QApplication::setActiveWindow(&w);
    for (const auto& c : cases) {
        w.Grid().SetCell(1, 2, c.cell);
        w.Grid().SetCurrent(1, 3);
        w.StringGrid1->EditCurrent();
        ClickCell(w, 1, 2);  // the editor opens on the cell and closes again
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();
        ClickCell(w, 1, 3);
        EXPECT_EQ(w.Grid().Cell(1, 2), c.cell);
        ClickCell(w, 1, 2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, 'z');
        EXPECT_EQ(w.Grid().Cell(1, 2), "z" + c.cell);
        Type(editor, U("€"));  // refused, the cell keeps its text
        EXPECT_EQ(w.Grid().Cell(1, 2), "z" + c.cell);
        QTest::keyClick(editor, Qt::Key_Backspace);
        EXPECT_EQ(w.Grid().Cell(1, 2), c.cell);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_Backspace);
        EXPECT_EQ(w.Grid().Cell(1, 2), c.lastCharDeleted);
    }
}

// A print that failed leaves nothing behind for the next: after a dendrogram
// of many pages that could not be written, the table prints, and the choice
// made stays a PDF file.
TEST(Windows, PrintingRecoversAfterAFailedPrint) {
    TempDir dir;
    AnalysisStore& s = Store();
    GridModel grid;
    FormCreate(grid);
    grid.SetRowCount(1002);
    grid.SetColCount(3);
    for (int r = 2; r < 1002; ++r) grid.SetCell(2, r, std::to_string(r * 7 % 1000));
    ASSERT_EQ(Launch(s, grid, 0, [&] { return std::optional(dir.File("out.txt")); }, '.').outcome,
              LaunchOutcome::Launched);
    // The dendrogram's pages go to a full disk.
    testing::SmallDisk disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
    disk.Fill(3000);
    LastPrintChoice() = {true, true, {}, QString::fromStdString(disk.File("tree.pdf"))};
    {
        EXPECT_THROW(RunAnalysis(s, '.', [&] {
            PrintJob job(J("重心法"));
            OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
            ASSERT_TRUE(job.Ask(nullptr));
            PrintDendrogram(s, job.Canvas(), "12", '.');
        }), Error);
    }
    EXPECT_FALSE(std::filesystem::exists(disk.File("tree.pdf")));
    const QString pdf = QString::fromStdString(dir.File("table.pdf"));
    LastPrintChoice().fileName = pdf;

    TFCoord w;
    w.show();
    OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
    w.PButtonClick();
    EXPECT_TRUE(PdfFileComplete(pdf.toStdString()));
    EXPECT_TRUE(LastPrintChoice().pdf);
    EXPECT_EQ(LastPrintChoice().fileName, pdf);
}

// A long table prints with a progress dialog; its Cancel drops the document.
TEST(Windows, LongTablePrintingShowsProgressAndStops) {
    TempDir dir;
    TFCoord w;
    w.show();
    w.Grid().SetRowCount(1002);
    w.Grid().SetColCount(202);
    for (int r = 1; r < 1002; ++r)
        for (int c = 1; c < 202; ++c) w.Grid().SetCell(c, r, std::to_string(r * 1000 + c));
    const std::string pdf = dir.File("long.pdf");
    LastPrintChoice() = {true, true, {}, QString::fromStdString(pdf)};
    OnNextModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
    int shownAt = -1;
    OnNextModal<QProgressDialog>([&](QProgressDialog* p) {
        shownAt = p->value();
        p->cancel();
    });
    w.PButton->click();
    EXPECT_GT(shownAt, 0);
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

// Every window and control where the design puts it, with its caption or
// title: the layout's one statement outside the window code. And the fonts.
TEST(Windows, EveryControlAsLaidOut) {
    TFMain m;
    TFCoord w;
    struct {
        QWidget* control;
        QRect geometry;
        const char* caption;
    } controls[] = {
        {&m, {192, 107, 488, 234}, "Cluster Analysis"},     {&w, {200, 107, 749, 456}, "座標値"},
        {w.StringGrid1, {8, 0, 537, 417}, ""},
        {m.Label1, {152, 32, 120, 16}, "フォント・サイズ = "},  {m.FontEdit, {272, 24, 57, 24}, "12"},
        {m.CoordButton, {112, 80, 113, 25}, "データの設定"},   {m.ExitButton, {296, 80, 75, 25}, "Exit"},
        {w.AddButton, {568, 8, 75, 25}, "追 加（行）"},        {w.DelButton, {656, 8, 75, 25}, "削 除（行）"},
        {w.AddColButton, {568, 56, 75, 25}, "追 加（列）"},    {w.DelColButton, {656, 56, 75, 25}, "削 除（列）"},
        {w.SaveButton, {568, 104, 75, 25}, "保  存"},          {w.LoadButton, {656, 104, 75, 25}, "読  出"},
        {w.WRCSVButton, {568, 152, 75, 25}, "保存（CSV）"},    {w.RDCSVButton, {656, 152, 75, 25}, "読出（CSV）"},
        {w.PButton, {616, 200, 75, 25}, "印  刷"},             {w.CentroidButton, {600, 248, 105, 25}, "重心法"},
        {w.WardButton, {600, 296, 105, 25}, "Ward法"},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.control->geometry(), c.geometry) << c.caption;
        EXPECT_EQ(c.control->isWindow() ? c.control->windowTitle() : c.control->property("text").toString(),
                  U(c.caption));
    }
    EXPECT_EQ(m.font().pixelSize(), 16);
    EXPECT_EQ(QFontInfo(m.font()).family(), "IPAPGothic");
    EXPECT_EQ(w.font().pixelSize(), 12);
    EXPECT_EQ(QFontInfo(w.font()).family(), "IPAPGothic");
    EXPECT_EQ(QFontMetrics(w.StringGrid1->font()).height(), 16);
    EXPECT_EQ(w.StringGrid1->verticalHeader()->defaultSectionSize(), 24);
    EXPECT_EQ(w.StringGrid1->horizontalHeader()->height(), 24);
    EXPECT_EQ(w.StringGrid1->horizontalHeader()->defaultSectionSize(), 64);
}

// The program's title by its rule, and the error box wearing it.
TEST(Windows, ProgramTitleRule) {
    const char* cases[][2] = {{"/usr/bin/CLUSTER.EXE", "Cluster"}, {"cluster-analysis", "cluster-analysis"},
                              {"Abc.Def.exe", "Abc"},              {"/x/y/zEBRA", "zebra"}};
    for (const auto& c : cases) EXPECT_EQ(ProgramTitleOf(U(c[0])), U(c[1])) << c[0];
    QString title;
    OnNextModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        box->accept();
    });
    ShowErrorBox(nullptr, "x");
    EXPECT_EQ(title, "app_tests");  // this executable's name
}

// Save dialogs have a Save button and ask before replacing a file; a "no"
// leaves the file as it was. Titles and filters as each command sets them.
TEST(Windows, DialogsTitlesFiltersAndReplacing) {
    TempDir dir;
    const std::string kept = dir.File("kept.dat");
    std::ofstream(kept, std::ios::binary) << "precious";
    TFCoord w;
    w.show();
    TypeInto(w, 2, 2, "1");
    TypeInto(w, 2, 3, "2");
    FileAnswers a;
    bool answered = false;
    OnNextModal<QMessageBox>([&](QMessageBox* box) {  // "replace it?": no
        answered = true;
        box->button(QMessageBox::No)->click();
    });
    a.answers = {kept, "", "", "", ""};
    w.SaveButton->click();
    EXPECT_TRUE(answered);
    EXPECT_EQ(ReadAll(kept), "precious");
    w.RDCSVButton->click();   // cancelled: the CSV filter stays in the open dialog
    w.LoadButton->click();    // which the load clears
    w.RDCSVButton->click();
    w.CentroidButton->click();  // the launch clears it too (and is cancelled)
    OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    a.answers = {kept};
    w.WRCSVButton->click();     // written as kept.dat.csv: a new file, no question
    a.answers = {kept};
    w.SaveButton->click();      // yes: replaced
    EXPECT_EQ(ReadAll(kept).substr(0, 3), "4\r\n");
    using M = QFileDialog::AcceptMode;
    const QString name = U("ファイル名"), csv = "CSV files (*.csv)";
    const std::vector<QString> titles = {name, name, name, name, "Output File", name, name};
    const QStringList all = QFileDialog().nameFilters();  // no filter: every file
    const std::vector<QStringList> filters = {all, {csv}, all, {csv}, all, {csv}, all};
    const std::vector<M> modes = {M::AcceptSave, M::AcceptOpen, M::AcceptOpen, M::AcceptOpen,
                                  M::AcceptSave, M::AcceptSave, M::AcceptSave};
    EXPECT_EQ(a.titles, titles);
    EXPECT_EQ(a.filters, filters);
    EXPECT_EQ(a.modes, modes);
    EXPECT_EQ(w.SaveDialog1.filter, "");
    EXPECT_EQ(w.OpenDialog1.filter, "");
}

// Return or Enter on a focused button clicks it, as Space does.
TEST(Windows, ReturnAndEnterClickTheFocusedButton) {
    TFCoord w;
    w.show();
    QApplication::setActiveWindow(&w);
    const struct {
        QPushButton* button;
        int key;
    } presses[] = {{w.AddButton, Qt::Key_Return}, {w.AddColButton, Qt::Key_Enter}, {w.AddButton, Qt::Key_Space}};
    int rows = w.Grid().RowCount(), cols = w.Grid().ColCount();
    for (const auto& p : presses) {
        p.button->setFocus();
        QTest::keyClick(p.button, static_cast<Qt::Key>(p.key));
        QApplication::processEvents();
        (p.button == w.AddButton ? rows : cols) += 1;
        EXPECT_EQ(w.Grid().RowCount(), rows);
        EXPECT_EQ(w.Grid().ColCount(), cols);
    }
    TFMain m;
    m.show();
    QApplication::setActiveWindow(&m);
    m.ExitButton->setFocus();
    QTest::keyClick(m.ExitButton, Qt::Key_Return);
    EXPECT_FALSE(m.isVisible());
}

}  // namespace
}  // namespace ca
