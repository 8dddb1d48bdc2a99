// The delimiter dialog's lifecycle and the About box.
#include <map>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "corvex/platform/guid_text.h"
#include "corvex/platform/registry_store.h"
#include "viewer/delimiter_dialog.h"
#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using testing::child;
using testing::when_dialog_shows;

class DialogsTest : public testing::ViewerTest {
protected:
    // Shows the delimiter dialog; `act` runs on it while it is showing.
    void with_delimiter_dialog(const std::function<void(DelimiterDialog&)>& act) {
        bool ran = false;
        when_dialog_shows([&] {
            auto* dialog = qobject_cast<DelimiterDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ran = true;
            act(*dialog);
            if (dialog->isVisible()) dialog->reject();  // never leave the test waiting
        });
        child<QAction>(*window, "mnuOptionsDelimiter")->trigger();
        EXPECT_TRUE(ran);
    }

    // Shows the About box and returns the texts it showed.
    std::map<std::string, QString> about_texts() {
        std::map<std::string, QString> texts;
        when_dialog_shows([&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            for (const char* name : {"lblCorvexdllversion", "lblAddress"})
                texts[name] = child<QLabel>(*box, name)->text();
            // Every line shows whole, whatever font stands in for Arial:
            // the labels of several lines are as tall as their text, and
            // nothing below them is covered or pushed out of the box.
            const auto* address = child<QLabel>(*box, "lblAddress");
            const auto* disclaimer = child<QLabel>(*box, "lblDisclaimer");
            const auto* line = child<QWidget>(*box, "Line2");
            const auto* ok = child<QWidget>(*box, "cmdOK");
            EXPECT_GE(address->height(), address->sizeHint().height());
            EXPECT_GE(disclaimer->height(), disclaimer->heightForWidth(disclaimer->width()));
            EXPECT_LE(address->geometry().bottom(), line->geometry().top());
            EXPECT_LE(line->geometry().bottom(), disclaimer->geometry().top());
            EXPECT_LE(disclaimer->geometry().bottom(), box->height());
            EXPECT_LE(ok->geometry().bottom(), box->height());
            EXPECT_GT(ok->geometry().top(), line->geometry().bottom());
            child<QPushButton>(*box, "cmdOK")->click();
        });
        child<QAction>(*window, "mnuHelpAbout")->trigger();
        return texts;
    }

    std::unique_ptr<MainWindow> window = make_window();
};

QLineEdit* text_box(DelimiterDialog& dialog) { return child<QLineEdit>(dialog, "txtDelimiter"); }

TEST_F(DialogsTest, DelimiterDialogOkCancelCloseBoxAndAStoreThatFails) {
    // First showing: the default; OK stores exactly what was typed.
    with_delimiter_dialog([](DelimiterDialog& d) {
        EXPECT_EQ(text_box(d)->text(), ",");
        text_box(d)->setText("; ");
        child<QPushButton>(d, "cmdOK")->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(settings.get("DELIMITER", "DELIMITER", ","), "; ");

    // Cancel stores nothing, but the dialog keeps the edited text.
    with_delimiter_dialog([](DelimiterDialog& d) {
        EXPECT_EQ(text_box(d)->text(), "; ");
        text_box(d)->setText("|");
        child<QPushButton>(d, "cmdCancel")->click();
    });
    EXPECT_EQ(settings.get("DELIMITER", "DELIMITER", ","), "; ");
    with_delimiter_dialog([](DelimiterDialog& d) {
        EXPECT_EQ(text_box(d)->text(), "|");
        d.close();  // the close box
    });
    EXPECT_EQ(window->findChild<DelimiterDialog*>(), nullptr);
    EXPECT_EQ(settings.get("DELIMITER", "DELIMITER", ","), "; ");

    // After the close box the dialog loads afresh; an empty delimiter is stored as such.
    with_delimiter_dialog([](DelimiterDialog& d) {
        EXPECT_EQ(text_box(d)->text(), "; ");
        text_box(d)->clear();
        child<QPushButton>(d, "cmdOK")->click();
    });
    EXPECT_EQ(settings.get("DELIMITER", "DELIMITER", ","), "");

    // A delimiter that cannot be stored is reported.
    std::filesystem::remove(settings_path);
    std::filesystem::create_directory(settings_path);  // a folder where the file should be
    with_delimiter_dialog([](DelimiterDialog& d) { child<QPushButton>(d, "cmdOK")->click(); });
    const QStringList lines = testing::status_lines(*window);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("ERROR: cannot save the settings")) << lines[0].toStdString();
}

TEST_F(DialogsTest, AboutBoxShowsTheVersionsAndKeepsTheLastOneRead) {
    auto texts = about_texts();
    EXPECT_EQ(texts["lblCorvexdllversion"], "version " CORVEX_PROJECT_VERSION);
    EXPECT_EQ(texts["lblAddress"].split('\n').size(), 7);
    EXPECT_TRUE(dialogs.messages.empty());

    // Register Corvex.Log to a library without version information: the box
    // tells so and still shows the version read before.
    const std::string fake = scratch.write("libCorvex.so", "not a library");
    platform::RegistryStore store;
    const std::string clsid = platform::format_guid(CLSID_Log);
    ASSERT_TRUE(store.set_default_value("Corvex.Log\\CLSID", clsid));
    ASSERT_TRUE(store.set_default_value("CLSID\\" + clsid + "\\InprocServer32", fake));
    ASSERT_TRUE(store.save(registry_path));

    texts = about_texts();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "No Version Info available!");
    EXPECT_EQ(dialogs.messages[0].title, "Corvex Viewer");
    EXPECT_EQ(texts["lblCorvexdllversion"], "version " CORVEX_PROJECT_VERSION);

    // A fresh window has read nothing yet: the label ends after "version ".
    window = make_window();
    texts = about_texts();
    EXPECT_EQ(texts["lblCorvexdllversion"], "version ");

    // The box grows for a font of taller lines (a style sheet stands in for
    // one): about_texts checks that every line shows whole.
    qApp->setStyleSheet(QStringLiteral("QDialog#frmAbout QLabel { font-size: 15pt; }"));
    about_texts();
    qApp->setStyleSheet(QString());
}

}  // namespace
}  // namespace corvex::viewer
