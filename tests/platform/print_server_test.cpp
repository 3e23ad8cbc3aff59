// Printing to a real print server: the private CUPS server that scripts/test
// starts, with a cups-pdf queue whose PDFs arrive in a folder. Each test
// makes a queue of its own (the tests run side by side).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include <functional>

#include "common/error.h"
#include "common/sjis.h"
#include "platform/printer_canvas.h"

namespace ca {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

class PrintServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = std::getenv("CLUSTER_PRINT_SERVER_SKIP")) GTEST_SKIP() << why;
        if (!std::getenv("CLUSTER_TEST_QUEUE_OUT")) GTEST_SKIP() << "no private print server (run scripts/test)";
        out_ = std::getenv("CLUSTER_TEST_QUEUE_OUT");
        queue_ = "cluster-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(Admin({"-p", Q(queue_), "-E", "-v", "cups-pdf:/cluster-test", "-P",
                         "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"}),
                  0);
    }
    void TearDown() override {
        if (!queue_.empty()) Admin({"-x", Q(queue_)});
    }
    static int Command(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(30000);
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    int Admin(const QStringList& args) const { return Command("lpadmin", args); }
    int Reject() const { return Command("cupsreject", {QString::fromStdString(queue_)}); }

    // Three pages of text on the queue, as a job titled `title`;
    // `meanwhile` runs between the choice of the printer and the print.
    void Print(const std::string& title, const std::function<void()>& meanwhile = {}) const {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(Q(queue_));
        printer.setDocName(Q(title));
        if (meanwhile) meanwhile();
        PrinterCanvas canvas(printer);
        canvas.BeginDoc();
        for (int page = 1; page <= 3; ++page) {
            if (page > 1) canvas.NewPage();
            canvas.TextOut(100, 100, "page " + std::to_string(page) + " " + J("東京"));
        }
        canvas.EndDoc();
    }
    // The page count of the job titled `title` once it has arrived whole
    // (cups-pdf names the file after the title), or -1.
    int PagesArrived(const std::string& title) const {
        const QRegularExpression pages("Pages:\\s+(\\d+)");
        for (int i = 0; i < 300; ++i) {
            for (const auto& e : std::filesystem::directory_iterator(out_)) {
                if (!e.path().filename().string().starts_with(title)) continue;
                QProcess info;
                info.start("pdfinfo", {Q(e.path())});
                info.waitForFinished();
                const auto match = pages.match(QString::fromUtf8(info.readAllStandardOutput()));
                if (info.exitCode() == 0 && match.hasMatch()) return match.captured(1).toInt();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return -1;
    }
    std::string out_, queue_;
};

TEST_F(PrintServer, TheJobArrivesWithItsTitleAndItsPages) {
    Print("pages-arrive");
    EXPECT_EQ(PagesArrived("pages-arrive"), 3) << "in " << out_;
}

// A queue that refuses jobs, or one deleted after the dialog, is a failure
// naming the printer and the server's reason, never a success.
TEST_F(PrintServer, AJobTheServerRefusesIsAnError) {
    ASSERT_EQ(Reject(), 0);
    try {
        Print("refused");
        ADD_FAILURE() << "a refused job was reported as printed";
    } catch (const PrintNotCompleted& e) {
        const std::string shown = SjisToUtf8(e.Message());
        EXPECT_NE(shown.find(queue_), std::string::npos) << shown;
        EXPECT_NE(shown.find("not accepting jobs"), std::string::npos) << shown;
    }
    EXPECT_THROW(Print("deleted", [&] { ASSERT_EQ(Admin({"-x", Q(queue_)}), 0); }), PrintNotCompleted);
    queue_.clear();
}

}  // namespace
}  // namespace ca
