#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/ui/QtUserPrompt.h"
#include "core/ui/frmError.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(frmError, DetailsButtonTogglesTheReadOnlyReport)
{
    AppState state;
    frmError window(state);
    window.setEndProgram([] {});
    window.setErrMsg(QStringLiteral("report"));
    window.show();
    for (const bool shown : {true, false}) {
        window.cmdDetails()->click();
        EXPECT_EQ(window.txtDetails()->isVisible(), shown);
    }
    EXPECT_TRUE(window.txtDetails()->isReadOnly());
    EXPECT_EQ(window.txtDetails()->toPlainText(), QStringLiteral("report"));
}

TEST(frmError, EveryWayOfClosingEndsTheProgram)
{
    AppState state;
    for (const auto &close : std::initializer_list<std::function<void(frmError &)>>{
             [](frmError &w) { w.cmdClose()->click(); }, [](frmError &w) { w.titleCloseButton()->click(); },
             [](frmError &w) { w.close(); }}) {
        int ends = 0;
        frmError window(state);
        window.setEndProgram([&] { ++ends; });
        window.show();
        close(window);
        EXPECT_EQ(ends, 1);
    }
}

TEST(LogError, ShowsTheReportModallyAndEndsWhenClosed)
{
    TestEnvironment env;
    AppState &state = env.state();
    QtUserPrompt prompt(state);
    int ends = 0;
    prompt.setEndProgram([&] { ++ends; }, [] {});
    QString shown;
    bool flagWhileShown = false;
    QTimer::singleShot(0, qApp, [&] {
        auto *window = qobject_cast<frmError *>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        shown = window->txtDetails()->toPlainText();
        flagWhileShown = state.ModalFormOpen;
        window->cmdClose()->click();
    });
    const QString report = LogError(state, prompt, QStringLiteral("Message Module"),
                                    QStringLiteral("modMessages"), QStringLiteral("funcMessageDisplay"), 5,
                                    QStringLiteral("Invalid call"), QStringLiteral("Flazz"));
    // The box shows the report's lines; it keeps its own line ends.
    EXPECT_EQ(shown, QString(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(flagWhileShown);
    EXPECT_EQ(ends, 1);
}

} // namespace
