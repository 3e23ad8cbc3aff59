#include "platform/printer_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>

#include "common/error.h"
#include "common/printing.h"
#include "tests/support/files.h"
#include "tests/support/fulldisk.h"

namespace ca {
namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfText(const QString& pdf) { return Run("pdftotext", {"-layout", pdf, "-"}); }

int PdfPages(const QString& pdf) {
    for (const QString& line : Run("pdfinfo", {pdf}).split('\n')) {
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// A page rendered in grey levels, one byte a pixel.
struct Gray {
    int width = 0, height = 0;
    QByteArray pixels;
    bool Dark(int x, int y) const { return static_cast<unsigned char>(pixels[y * width + x]) < 128; }
    int DarkInRow(int y) const {
        int n = 0;
        for (int x = 0; x < width; ++x) n += Dark(x, y);
        return n;
    }
};

Gray Render(const QString& pdf, const QString& prefix, int dpi) {
    Run("pdftoppm", {"-gray", "-r", QString::number(dpi), "-f", "1", "-l", "1", "-singlefile", pdf, prefix});
    QFile f(prefix + ".pgm");
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    Gray g;
    EXPECT_EQ(f.readLine().trimmed(), "P5");
    const QList<QByteArray> size = f.readLine().trimmed().split(' ');
    g.width = size.value(0).toInt();
    g.height = size.value(1).toInt();
    f.readLine();  // maximum grey value
    g.pixels = f.readAll();
    EXPECT_EQ(g.pixels.size(), g.width * g.height);
    return g;
}

class PrinterCanvasTest : public ::testing::Test {
protected:
    QString File(const char* name) const { return QString::fromStdString(dir_.File(name)); }
    std::unique_ptr<QPrinter> Pdf(const char* name) const { return MakePdfPrinter(File(name).toStdString()); }
    testing::TempDir dir_;
};

TEST(FontSubstitution, WindowsFacesResolveToIpaFamilies) {
    const char* const cases[][2] = {
        {"ＭＳ 明朝", "IPAMincho"},     {"ＭＳ ゴシック", "IPAGothic"}, {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"MS Mincho", "IPAMincho"},     {"MS Gothic", "IPAGothic"},     {"MS PGothic", "IPAPGothic"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8(c[0]))).family().toStdString(), c[1]) << c[0];
    }
}

// Columns of a fixed number of bytes line up only when a double-byte
// character is as wide as two single-byte ones, at every size.
TEST_F(PrinterCanvasTest, FixedPitchFacesGiveEachByteTheSameWidth) {
    auto printer = Pdf("unused.pdf");
    PrinterCanvas canvas(*printer);
    for (const char* face : {"ＭＳ 明朝", "ＭＳ ゴシック"}) {
        canvas.SetFontFace(J(face));
        for (int size = 6; size <= 16; ++size) {
            canvas.SetFontSize(size);
            const int single = canvas.TextWidth("A");
            ASSERT_GT(single, 0);
            EXPECT_EQ(canvas.TextWidth(J("漢")), 2 * single) << face << " " << size;
            EXPECT_EQ(canvas.TextWidth(J("ｱ")), single) << face << " " << size;
            // 12 bytes each way: the columns of a table stay aligned.
            EXPECT_EQ(canvas.TextWidth(J("日本語データ")), canvas.TextWidth("ABCDEFGHIJKL")) << face << " " << size;
            EXPECT_EQ(canvas.TextWidth(J("ｸﾗｽﾀ分析 1.5")), 12 * single) << face << " " << size;
        }
    }
    // The proportional face is not fixed-pitch: "i" is narrower than "W".
    canvas.SetFontFace(J("ＭＳ Ｐゴシック"));
    EXPECT_LT(canvas.TextWidth("i"), canvas.TextWidth("W"));
}

TEST_F(PrinterCanvasTest, MeasuresAreDevicePixelsAtPrinterResolution) {
    auto printer = Pdf("measure.pdf");
    ASSERT_EQ(printer->resolution(), 1200);
    PrinterCanvas canvas(*printer);
    EXPECT_EQ(canvas.FontFace(), J("ＭＳ 明朝"));
    EXPECT_EQ(canvas.FontSize(), 12);
    // A4 is 210 x 297 mm, 9921 x 14031 pixels at 1200 dpi; margins come off.
    EXPECT_GT(canvas.PageWidth(), 8000);
    EXPECT_LE(canvas.PageWidth(), 9921);
    EXPECT_GT(canvas.PageHeight(), 12000);
    EXPECT_LE(canvas.PageHeight(), 14031);
    // The em of 12 points is 200 pixels; the character height is a little more.
    const int h12 = canvas.TextHeight("X");
    EXPECT_GE(h12, 190);
    EXPECT_LE(h12, 300);
    EXPECT_EQ(canvas.TextHeight(J("漢字とｶﾅ")), h12);
    EXPECT_EQ(canvas.TextHeight(""), h12);
    EXPECT_NEAR(canvas.TextWidth("A"), 100, 3);
    EXPECT_EQ(canvas.TextWidth(""), 0);

    const int w12 = canvas.TextWidth(J("分析"));
    canvas.BeginDoc();
    EXPECT_EQ(canvas.TextHeight("X"), h12);  // the same once the document is begun
    EXPECT_EQ(canvas.TextWidth(J("分析")), w12);
    canvas.SetFontSize(24);
    EXPECT_NEAR(canvas.TextHeight("X"), 2 * h12, 4);
    EXPECT_NEAR(canvas.TextWidth(J("分析")), 2 * w12, 4);
    canvas.EndDoc();
    EXPECT_FALSE(canvas.InDoc());
}

TEST_F(PrinterCanvasTest, DrawsTextAndLinesOnPages) {
    auto printer = Pdf("draw.pdf");
    PrinterCanvas canvas(*printer);
    canvas.BeginDoc();
    EXPECT_TRUE(canvas.InDoc());
    const int y = 3000, lineY = 6000;
    canvas.TextOut(600, y, J("■■■■ クラスター分析 Cluster 1.25"));
    const int h = canvas.TextHeight("X");
    canvas.MoveTo(0, lineY);
    canvas.LineTo(canvas.PageWidth() - 1, lineY);
    canvas.NewPage();
    canvas.SetFontFace(J("ＭＳ ゴシック"));
    canvas.TextOut(0, 0, J("２ページ目 page two"));
    canvas.NewPage();
    canvas.TextOut(0, 0, "page three");
    canvas.EndDoc();

    EXPECT_EQ(PdfPages(File("draw.pdf")), 3);
    const QString text = PdfText(File("draw.pdf"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("クラスター分析 Cluster 1.25"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("２ページ目 page two"))) << text.toStdString();
    EXPECT_TRUE(text.contains("page three")) << text.toStdString();
    // Pages are separated by form feeds, in order.
    EXPECT_LT(text.indexOf(QString::fromUtf8("クラスター")), text.indexOf('\f'));

    // On the rendered first page the text's ink lies below its top edge and
    // within its height, and the line crosses the page at its row.
    const int dpi = 100;
    const Gray page = Render(File("draw.pdf"), File("page"), dpi);
    const QPoint origin = printer->pageLayout().paintRectPixels(1200).topLeft();
    auto row = [&](int deviceY) { return qRound((origin.y() + deviceY) * dpi / 1200.0); };
    int inkTop = -1, inkBottom = -1;
    for (int r = row(y - 400); r <= row(y + h + 400); ++r) {
        if (page.DarkInRow(r) > 0) {
            if (inkTop < 0) inkTop = r;
            inkBottom = r;
        }
    }
    ASSERT_GE(inkTop, 0) << "no text drawn";
    EXPECT_GE(inkTop, row(y));
    EXPECT_LE(inkBottom, row(y + h) + 1);
    EXPECT_GT(std::max({page.DarkInRow(row(lineY) - 1), page.DarkInRow(row(lineY)), page.DarkInRow(row(lineY) + 1)}),
              page.width / 2);
    EXPECT_EQ(page.DarkInRow(row(lineY - 200)), 0);
    EXPECT_EQ(page.DarkInRow(row(lineY + 200)), 0);
}

TEST_F(PrinterCanvasTest, TextDeviceFillsPagesAndWrapsLongText) {
    auto printer = Pdf("lines.pdf");
    PrinterCanvas canvas(*printer);
    TextDevice device(canvas);
    device.Open();
    const int lines = 150;
    for (int i = 1; i <= lines; ++i) {
        device.Write(J("行") + std::to_string(i));
        device.EndLine();
    }
    // Wider than the page: continues on the following lines.
    std::string digits;
    for (int i = 0; i < 30; ++i) digits += "0123456789";
    device.Write(digits);
    device.EndLine();
    device.Close();

    const int step = canvas.TextHeight("X") + 2;
    const int perPage = canvas.PageHeight() / step;
    const int wrapped = (canvas.TextWidth(digits) + canvas.PageWidth() - 1) / canvas.PageWidth();
    ASSERT_GE(wrapped, 3);
    const int pages = PdfPages(File("lines.pdf"));
    EXPECT_GE(pages, 2);
    EXPECT_NEAR(pages, (lines + wrapped + perPage - 1) / perPage, 1);

    const QString text = PdfText(File("lines.pdf"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("行1\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("行150"))) << text.toStdString();
    // The wrapped pieces are the only lines of digits alone; in order they
    // give back the whole text.
    QString joined;
    int digitLines = 0;
    for (const QString& line : text.split(QRegularExpression("[\n\f]"))) {
        const QString t = line.trimmed();
        if (QRegularExpression("^[0-9]+$").match(t).hasMatch()) {
            ++digitLines;
            joined += t;
        }
    }
    EXPECT_GE(digitLines, wrapped);
    EXPECT_EQ(joined.toStdString(), digits);
}

TEST_F(PrinterCanvasTest, AbortLeavesNoFileAndKeepsTheFont) {
    auto printer = Pdf("abort.pdf");
    PrinterCanvas canvas(*printer);
    canvas.SetFontSize(20);
    const int h20 = canvas.TextHeight("X");
    canvas.BeginDoc();
    canvas.TextOut(0, 0, J("中止する文書"));
    canvas.NewPage();
    canvas.TextOut(0, 0, "more");
    canvas.AbortDoc();
    EXPECT_FALSE(canvas.InDoc());
    EXPECT_FALSE(QFile::exists(File("abort.pdf")));

    // The next document on the same canvas prints, still at 20 points.
    canvas.BeginDoc();
    EXPECT_EQ(canvas.TextHeight("X"), h20);
    canvas.TextOut(0, 0, "second");
    canvas.EndDoc();
    EXPECT_EQ(PdfPages(File("abort.pdf")), 1);
    EXPECT_TRUE(PdfText(File("abort.pdf")).contains("second"));

    // A canvas dropped mid-document leaves nothing behind either.
    auto other = Pdf("dropped.pdf");
    {
        PrinterCanvas dropped(*other);
        dropped.BeginDoc();
        dropped.TextOut(0, 0, "dropped");
    }
    EXPECT_FALSE(QFile::exists(File("dropped.pdf")));
}

TEST_F(PrinterCanvasTest, UnwritableOutputRaisesOnBegin) {
    auto printer = Pdf("missing-dir/out.pdf");
    PrinterCanvas canvas(*printer);
    try {
        canvas.BeginDoc();
        FAIL() << "BeginDoc succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), J("印刷を開始できません"));
    }
    EXPECT_FALSE(canvas.InDoc());
}

// A document is whole only up to its last byte: every shortened copy, and a
// copy whose middle is lost, is refused.
TEST_F(PrinterCanvasTest, PdfFileCompleteReadsTheDocumentsEnd) {
    auto printer = Pdf("whole.pdf");
    PrinterCanvas canvas(*printer);
    canvas.BeginDoc();
    canvas.TextOut(0, 0, "whole");
    canvas.EndDoc();
    const std::string whole = testing::ReadAll(File("whole.pdf").toStdString());
    ASSERT_GT(whole.size(), 200u);
    EXPECT_TRUE(PdfFileComplete(File("whole.pdf").toStdString()));
    const std::string cut = File("cut.pdf").toStdString();
    for (const std::string& bytes :
         {whole.substr(0, whole.size() - 2), whole.substr(0, whole.size() / 2), std::string(),
          whole.substr(0, whole.size() / 2) + "%%EOF\n", whole.substr(0, 100) + whole.substr(whole.size() - 100)}) {
        testing::WriteAll(cut, bytes);
        EXPECT_FALSE(PdfFileComplete(cut)) << bytes.size() << " bytes";
    }
    EXPECT_FALSE(PdfFileComplete(File("none.pdf").toStdString()));
}

// A PDF that cannot be written to its end is reported and removed, whether
// drawn on the canvas (the dendrogram) or through the text device (the
// table). `folder` is on a full disk, or `limit` caps the size of files.
void PrintShort(const std::string& folder, bool limit) {
    for (bool textDevice : {false, true}) {
        const std::string path = folder + "/short.pdf";
        auto printer = MakePdfPrinter(path);
        PrinterCanvas canvas(*printer);
        try {
            std::unique_ptr<testing::FileSizeLimit> cap;
            if (limit) cap = std::make_unique<testing::FileSizeLimit>(4096);
            if (textDevice) {
                TextDevice device(canvas);
                device.Open();
                for (int i = 0; i < 300; ++i) device.Write(J("表の行 ") + std::to_string(i)), device.EndLine();
                device.Close();
            } else {
                canvas.BeginDoc();
                for (int i = 0; i < 300; ++i) {
                    canvas.MoveTo(i, 0);
                    canvas.LineTo(i * 7, 5000);
                    canvas.TextOut(i * 10, i * 20, J("対象 ") + std::to_string(i));
                }
                canvas.EndDoc();
            }
            ADD_FAILURE() << (textDevice ? "text device" : "canvas") << ": no error";
        } catch (const PrintNotCompleted& e) {
            EXPECT_NE(e.Message().find(J("PDF ファイルを最後まで書き込めませんでした")), std::string::npos);
        }
        EXPECT_FALSE(canvas.InDoc());
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST_F(PrinterCanvasTest, PdfOnAFullDiskIsReportedAndRemoved) {
    testing::SmallDisk disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root); see PdfBeyondTheFileSizeLimit";
    disk.Fill(4096);
    PrintShort(disk.File(""), false);
}

TEST_F(PrinterCanvasTest, PdfBeyondTheFileSizeLimitIsReportedAndRemoved) {
    PrintShort(dir_.Path(), true);
}

// The dialog's answer is the user's: confirming keeps the printer's file,
// cancelling answers false.
TEST_F(PrinterCanvasTest, PrintDialogAnswersTheUsersChoice) {
    auto printer = Pdf("dialog.pdf");
    for (bool confirm : {true, false}) {
        QTimer::singleShot(0, [confirm] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            confirm ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(RunPrintDialog(*printer, nullptr), confirm);
    }
    EXPECT_EQ(printer->outputFileName(), File("dialog.pdf"));
}

}  // namespace
}  // namespace ca
