#include "screens/support/SupportView.h"

#include "SupportTestSupport.h"
#include "catalog/OperationsLog.h"
#include "platform/BackgroundWork.h"
#include "screens/support/PromptingTextEditor.h"
#include "support/HeldThreads.h"
#include "support/ScreenFixture.h"
#include "ui/kit/AppAlert.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppSwitch.h"
#include "ui/kit/ScreenParts.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;
using marlox::platform::FileContentType;

namespace {

// The real services in a scratch home with the built bundle's catalog loaded; the platform pieces
// record what the screen asks of them.
class SupportViewTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        // The load wrote the log's first lines; each test decides whether there is a log.
        clearOperationsLog();
        flushOperationsLog();
    }

    SupportView& makeView() {
        view = std::make_unique<SupportView>(
            *services.catalogService, services.store, marlox::platform::mainBundle(),
            SupportPlatform{workspace(), composer, clipboard, fileChooser, system});
        return *view;
    }
    // The screen made and shown at the size.
    SupportView& shownView(const QSize& size = QSize(1100, 1600)) {
        grab(makeView(), size);
        return *view;
    }
    // The screen shown with an address and the description typed, so that a draft can be opened.
    SupportView& filledView(const QString& description = "It stops at 59.") {
        SupportView& screen = shownView();
        childNamed<QLineEdit>(screen, "emailField")->setText("user@example.com");
        screen.findChild<PromptingTextEditor*>("messageEditor")->setText(description);
        return screen;
    }

    RecordingWorkspace& workspace() { return services.workspace; }
    void install(const QList<InstalledPackage>& records) {
        services.store.setInstalledByID(recordsByID(records));
    }

    RecordingMailComposer composer;
    RecordingClipboard clipboard;
    PreparedFileChooser fileChooser;
    FixedSystemInformation system;
    std::unique_ptr<SupportView> view;
};

TEST_F(SupportViewTest, WholeScreenLooksAsCheckedAt1100Wide) {
    install({testRecord(countdownID, "2.2.0"),
             testRecord(kineticTitlesID, "3.0.1", PackageType::template_)});
    SupportView& screen = makeView();
    EXPECT_TRUE(matchesGolden(grabWhole(screen, QSize(1100, 700)), goldenPath("support")));
}

TEST_F(SupportViewTest, OpenDraftWaitsForAnAddressAndADescriptionWhileCopyDraftWorks) {
    SupportView& screen = shownView(QSize(1100, 700));
    SaveGrabOnFailure keep(screen, "draft");
    // Typed address and description, and whether Open Draft is enabled.
    const std::tuple<QString, QString, bool> steps[] = {
        {"", "", false},
        {"user@example.com", "", false},
        {"user@example.com", "\u2029 \n\t ", false},
        {"  ", "It stops at 59.", false},
        {"user@example.com", "It stops at 59.", true},
    };
    for (const auto& [email, message, enabled] : steps) {
        childNamed<QLineEdit>(*view, "emailField")->setText(email);
        screen.findChild<PromptingTextEditor*>("messageEditor")->setText(message);
        settle();
        EXPECT_EQ(screen.findChild<QWidget*>("openDraftButton")->isEnabled(), enabled);
        EXPECT_EQ(isShown(screen, "draftHint"), !enabled);
    }

    childNamed<QLineEdit>(*view, "emailField")->clear();
    ASSERT_TRUE(clickNamed(screen, "copyDraftButton"));
    ASSERT_EQ(clipboard.texts.size(), 1);
    EXPECT_TRUE(clipboard.texts[0].contains("Customer email: \n\nWhat happened:\nIt stops at 59."));
    EXPECT_EQ(labelText(*view, "statusMessage"), "Support draft copied to the clipboard.");
}

TEST_F(SupportViewTest, TheLogSwitchWaitsForALogFileAndShowsItsExcerpt) {
    // GIVEN no log yet: the switch is disabled, as the golden shows
    SupportView& screen = shownView();
    auto* logSwitch = screen.findChild<marlox::ui::AppSwitch*>("includeLogsSwitch");

    // WHEN a log appears and the screen redraws, for a keystroke
    writeFile(operationsLogFilePath(), "[1] Install started\n\n[2] Install succeeded\n");
    QTest::keyClicks(childNamed<QLineEdit>(*view, "emailField"), "u");
    ASSERT_TRUE(logSwitch->isEnabled());
    EXPECT_EQ(labelText(*view, "logSubtitle"),
              "Append recent operations log to the support draft.");

    // THEN switching it on shows the excerpt and the count of lines that hold anything
    ASSERT_TRUE(clickNamed(screen, "includeLogsSwitch"));
    ASSERT_TRUE(waitUntil([&] { return screen.form().logSnippet.has_value(); }));
    settle();
    EXPECT_EQ(childNamed<QPlainTextEdit>(*view, "logPreviewText")->toPlainText(),
              "[1] Install started\n\n[2] Install succeeded\n");
    EXPECT_EQ(labelText(*view, "logLineCount"), "2 lines");

    // AND switching it off hides the preview
    ASSERT_TRUE(clickNamed(screen, "includeLogsSwitch"));
    EXPECT_FALSE(isShown(screen, "logPreview"));
    EXPECT_EQ(screen.form().logSnippet, std::nullopt);
}

TEST_F(SupportViewTest, ALogThatIsNoUtf8TurnsTheSwitchBackOffWithoutAWord) {
    writeFile(operationsLogFilePath(), "[1] \xff\xfe broken\n");
    SupportView& screen = shownView();
    ASSERT_TRUE(clickNamed(screen, "includeLogsSwitch"));
    ASSERT_TRUE(waitUntil([&] { return !screen.form().includeAppLogs; }));
    settle();
    EXPECT_FALSE(screen.findChild<QAbstractButton*>("includeLogsSwitch")->isChecked());
    EXPECT_FALSE(isShown(screen, "logPreview"));
    EXPECT_EQ(screen.findChild<marlox::ui::AppAlert*>(), nullptr);
}

TEST_F(SupportViewTest, AScreenLeftWhileItsLogExcerptIsReadIsNotTouchedByIt) {
    // GIVEN a log, and every utility thread busy, so that the excerpt waits for its turn
    writeFile(operationsLogFilePath(), "[1] Install started\n");
    SupportView& screen = shownView();
    HeldThreads utilityThreads;
    ASSERT_TRUE(clickNamed(screen, "includeLogsSwitch"));
    ASSERT_TRUE(screen.form().includeAppLogs && !screen.form().logSnippet);

    // WHEN the screen is left before the excerpt is read, and then it is, and its answer is
    // delivered
    view.reset();
    utilityThreads.letGo();
    ASSERT_TRUE(marlox::platform::utilityThreadPool()->waitForDone(10000));
    settle();

    // THEN the answer reached nothing of the screen: a touch of it is a use of freed memory,
    // which the sanitizers the tests are built with report as a failure
}

// The shown ones only: rows that were replaced are hidden until they are deleted.
template <typename Widget> QList<Widget*> shown(QWidget& screen, const QString& objectName) {
    QList<Widget*> widgets = screen.findChildren<Widget*>(objectName);
    widgets.removeIf([](Widget* widget) { return !widget->isVisible(); });
    return widgets;
}

QStringList attachmentNames(QWidget& screen) {
    QStringList names;
    for (auto* name : shown<marlox::ui::FittingLabel>(screen, "attachmentName")) {
        names.append(name->text());
    }
    return names;
}

TEST_F(SupportViewTest, AddingAFileTwiceKeepsOneRowAndRemovingRenumbersTheRest) {
    // GIVEN a chooser that answers with a file twice, then with one more
    const QString a = home.filePath("shots/a.png"), b = home.filePath("shots/b.mov"),
                  c = home.filePath("shots/c.pdf");
    writeFile(a, QByteArray(1500, 'a'));
    fileChooser.choices = {{a, b, a}, {b, c}};
    SupportView& screen = shownView();

    // WHEN files are added twice THEN each is listed once, in the first order
    ASSERT_TRUE(clickNamed(screen, "addFilesButton"));
    ASSERT_TRUE(clickNamed(screen, "addFilesButton"));
    settle();
    EXPECT_EQ(attachmentNames(screen), QStringList({"a.png", "b.mov", "c.pdf"}));
    EXPECT_EQ(fileChooser.requests.size(), 2);
    EXPECT_EQ(fileChooser.requests[0].title, "Attach Screenshots or Recordings");
    EXPECT_TRUE(fileChooser.requests[0].allowsMultipleSelection);
    EXPECT_EQ(fileChooser.requests[0].contentTypes,
              QList({FileContentType::image, FileContentType::movie, FileContentType::pdf}));

    // AND removing the middle row leaves the other two in order; a cancelled chooser adds nothing
    const auto removeButtons = shown<QAbstractButton>(screen, "removeAttachmentButton");
    ASSERT_EQ(removeButtons.size(), 3);
    removeButtons[1]->click();
    settle();
    ASSERT_TRUE(clickNamed(screen, "addFilesButton"));
    settle();
    EXPECT_EQ(attachmentNames(screen), QStringList({"a.png", "c.pdf"}));
    EXPECT_EQ(screen.form().attachedMediaPaths, QStringList({a, c}));
}

TEST_F(SupportViewTest, ALongFileNameIsShortenedInTheMiddleOnOneLine) {
    const QString longName = "Screen Recording " + QString("very long take ").repeated(12) + ".mov";
    fileChooser.choices = {{home.filePath(longName)}};
    SupportView& screen = shownView(QSize(700, 1600));
    ASSERT_TRUE(clickNamed(screen, "addFilesButton"));
    settle();
    auto* name = screen.findChild<marlox::ui::FittingLabel*>("attachmentName");
    ASSERT_NE(name, nullptr);
    const QStringList lines = name->shownLines(name->width());
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Screen Recording") && lines[0].endsWith("take .mov") &&
                lines[0].contains(QChar(0x2026)))
        << lines[0].toStdString();
    EXPECT_EQ(name->height(), std::ceil(name->fontMetrics().lineSpacing()));
}

TEST_F(SupportViewTest, AppInfoTogglesTheDetailsAndTheOtherCardsOpenTheirAddresses) {
    SupportView& screen = shownView();
    ASSERT_TRUE(clickNamed(screen, "appInfoCard"));
    EXPECT_TRUE(isShown(screen, "advancedDetails"));
    EXPECT_EQ(labelText(*view, "catalogSourceLabel"), "Embedded");
    ASSERT_TRUE(clickNamed(screen, "appInfoCard"));
    EXPECT_FALSE(isShown(screen, "advancedDetails"));

    ASSERT_TRUE(clickNamed(screen, "emailSupportCard"));
    ASSERT_TRUE(clickNamed(screen, "documentationCard"));
    EXPECT_EQ(workspace().openedURLs, QList<QUrl>({QUrl("mailto:support@marlox.studio"),
                                                   QUrl("https://marlox.studio/studio")}));
}

TEST_F(SupportViewTest, TheComposeRouteGetsExactlyTheDraftTheScreenShows) {
    // GIVEN a filled form about an installed plug-in, a file and the log
    install({testRecord(countdownID, "2.2.0")});
    writeFile(operationsLogFilePath(), "[1] Install started\n");
    const QString shot = home.filePath("shots/a.png");
    writeFile(shot, "png");
    fileChooser.choices = {{shot}};
    SupportView& screen = shownView();
    auto* picker = childNamed<QComboBox>(*view, "targetPicker");
    picker->setCurrentIndex(picker->findData(countdownID));
    emit picker->activated(picker->currentIndex());
    childNamed<QLineEdit>(*view, "emailField")->setText("user@example.com");
    screen.findChild<PromptingTextEditor*>("messageEditor")->setText("Counter & timer stop");
    ASSERT_TRUE(clickNamed(screen, "addFilesButton"));
    ASSERT_TRUE(clickNamed(screen, "includeLogsSwitch"));
    ASSERT_TRUE(waitUntil([&] { return screen.form().logSnippet.has_value(); }));

    // WHEN the draft is opened and the service has answered
    ASSERT_TRUE(clickNamed(screen, "openDraftButton"));
    ASSERT_TRUE(waitUntil([&] { return screen.outcome().statusMessage.has_value(); }));

    // THEN the service got the subject, body and files the draft is made of
    ASSERT_EQ(composer.composed.size(), 1);
    const marlox::platform::MailDraft& draft = composer.composed[0];
    EXPECT_EQ(draft.recipient, "support@marlox.studio");
    EXPECT_EQ(draft.subject, "Marlox Studio Support - Countdown Pro");
    EXPECT_EQ(draft.body, supportDraftBody(screen.form(), screen.supportContext()));
    EXPECT_TRUE(draft.body.contains("Installed plugin version: 2.2.0\nCustomer email: "
                                    "user@example.com\n\nWhat happened:\nCounter & timer stop"));
    EXPECT_EQ(draft.attachmentPaths, QStringList({operationsLogFilePath(), shot}));
    EXPECT_EQ(labelText(*view, "statusMessage"), "Mail draft opened with 2 attachments.");
    EXPECT_TRUE(workspace().openedURLs.isEmpty());
}

TEST_F(SupportViewTest, AMailDraftNoApplicationTakesRaisesTheAlertUntilOK) {
    // GIVEN no compose-mail service, or one that answers that it did not take the draft, and a
    // desktop that opens no mailto: address
    composer.takesDrafts = false;
    workspace().acceptsURLs = false;
    for (const bool serviceThere : {false, true}) {
        SCOPED_TRACE(serviceThere ? "a service that fails" : "no service");
        composer.available = serviceThere;
        composer.composed.clear();
        workspace().openedURLs.clear();

        // WHEN the draft is opened THEN the mailto: address is tried, and the alert tells
        SupportView& screen = filledView("a=b&cc=x@y.z#top");
        ASSERT_TRUE(clickNamed(screen, "openDraftButton"));
        ASSERT_TRUE(waitUntil([&] { return screen.findChild<QWidget*>("mailErrorAlert"); }));
        EXPECT_EQ(composer.composed.size(), serviceThere ? 1 : 0);
        EXPECT_EQ(workspace().openedURLs.size(), 1);
        auto* alert = screen.findChild<marlox::ui::AppAlert*>("mailErrorAlert");
        ASSERT_NE(alert, nullptr);
        EXPECT_TRUE(alert->isVisible());
        EXPECT_EQ(alert->title(), "Could Not Open Mail");
        EXPECT_EQ(alert->message(), "macOS could not open a mail draft. Use Copy Draft instead.");
        EXPECT_EQ(alert->findChild<QLabel*>("alertMessage")->textFormat(), Qt::PlainText);
        EXPECT_FALSE(isShown(screen, "statusRow"));

        // AND its OK takes the message away
        alert->okButton()->click();
        settle();
        EXPECT_EQ(screen.outcome(), SupportDraftOutcome{});
    }
}

TEST_F(SupportViewTest, OpenDraftWaitsForTheServicesAnswerBeforeItHandsOverAnother) {
    // GIVEN a filled form and a service that answers when the test says
    composer.holdAnswers();
    SupportView& screen = filledView();
    ASSERT_TRUE(clickNamed(screen, "copyDraftButton"));

    // WHEN Open Draft is pressed THEN the copy's status goes, and Open Draft stays disabled
    // until the service answers
    ASSERT_TRUE(clickNamed(screen, "openDraftButton"));
    EXPECT_FALSE(isShown(screen, "statusRow"));
    EXPECT_FALSE(clickNamed(screen, "openDraftButton"));
    EXPECT_EQ(composer.composed.size(), 1);
    composer.giveHeldAnswer(true);
    ASSERT_TRUE(waitUntil([&] { return screen.outcome().statusMessage.has_value(); }));
    settle();
    EXPECT_EQ(labelText(*view, "statusMessage"), "Mail draft opened with no attachments.");
    EXPECT_TRUE(screen.findChild<QWidget*>("openDraftButton")->isEnabled());
}

TEST_F(SupportViewTest, AScreenLeftWhileTheServiceHasTheDraftGoesNoFurther) {
    // GIVEN a draft handed to a service that answers when the test says
    composer.holdAnswers();
    SupportView& screen = filledView();
    ASSERT_TRUE(clickNamed(screen, "openDraftButton"));

    // WHEN the screen is left, and then the service answers that it did not take the draft
    view.reset();
    composer.giveHeldAnswer(false);
    settle();

    // THEN the mailto: route is not taken for a screen that is gone, and nothing of it is
    // touched, which the sanitizers would report
    EXPECT_TRUE(workspace().openedURLs.isEmpty());
}

TEST_F(SupportViewTest, DetectionRunsEachTimeTheScreenShowsWhileAFieldIsEmpty) {
    // GIVEN a system that knows Motion but not Final Cut Pro
    system.applications.insert("com.apple.motionapp",
                               {{"CFBundleShortVersionString", "5.8"}, {"CFBundleVersion", "412"}});
    SupportView& screen = shownView();
    // The golden shows the system's version and model in their fields.
    EXPECT_EQ(childNamed<QLineEdit>(*view, "motionVersionField")->text(), "5.8 (412)");
    EXPECT_EQ(system.lookups, 2);

    // WHEN it shows again with Final Cut Pro's field empty THEN detection runs again
    screen.hide();
    screen.show();
    settle();
    EXPECT_EQ(system.lookups, 4);

    // AND once every field holds text, showing it detects nothing
    QTest::keyClicks(childNamed<QLineEdit>(*view, "finalCutVersionField"), "10.8");
    EXPECT_EQ(screen.form().systemInfo.finalCutVersion, "10.8");
    screen.hide();
    screen.show();
    settle();
    EXPECT_EQ(system.lookups, 4);
}

TEST_F(SupportViewTest, ThePickedRecordShowsItsVersionUntilTheRecordGoes) {
    install({testRecord(countdownID, "2.2.0"),
             testRecord(kineticTitlesID, "2.0", PackageType::template_)});
    SupportView& screen = shownView();
    auto* picker = childNamed<QComboBox>(*view, "targetPicker");

    // WHEN Kinetic Titles is picked THEN its version shows in the pill and in the line under it
    picker->setCurrentIndex(picker->findData(kineticTitlesID));
    emit picker->activated(picker->currentIndex());
    settle();
    EXPECT_EQ(picker->currentText(), "Kinetic Titles · 2.0");
    EXPECT_EQ(childNamed<marlox::ui::AppPillLabel>(*view, "versionPill")->title(), "2.0");
    EXPECT_EQ(labelText(*view, "targetInfoLine"), "Installed version 2.0 · Templates");

    // WHEN its record goes away THEN the picker shows no option, though the form keeps the id
    install({testRecord(countdownID, "2.2.0")});
    settle();
    EXPECT_EQ(picker->currentIndex(), -1);
    EXPECT_EQ(screen.form().selectedTargetID, kineticTitlesID);
}

TEST_F(SupportViewTest, ThePromptShowsUntilAVisibleCharacterAndAClickOnItPlacesTheCaret) {
    SupportView& screen = shownView();
    auto* editor = screen.findChild<PromptingTextEditor*>("messageEditor");
    EXPECT_TRUE(editor->showsPrompt());
    // The prompt's first line lies under the editor, which takes the click.
    QWidget* underPrompt = editor->childAt(QPoint(30, 14));
    ASSERT_NE(underPrompt, nullptr);
    QTest::mouseClick(underPrompt, Qt::LeftButton, {},
                      underPrompt->mapFrom(editor, QPoint(30, 14)));
    EXPECT_EQ(screen.focusWidget(), &editor->editor());
    QTest::keyClicks(&editor->editor(), "  ");
    QTest::keyClick(&editor->editor(), Qt::Key_Return);
    QTest::keyClicks(&editor->editor(), " ");
    EXPECT_TRUE(editor->showsPrompt());
    QTest::keyClicks(&editor->editor(), "x");
    EXPECT_FALSE(editor->showsPrompt());
    EXPECT_EQ(screen.form().messageBody, "  \n x");
}

TEST_F(SupportViewTest, APasteOfTwoMillionCharactersIsCutToTheLimitAndItsCountShows) {
    // GIVEN a description begun, and an unbroken line of two million characters to paste
    SupportView& screen = shownView();
    QPlainTextEdit& editor = screen.findChild<PromptingTextEditor*>("messageEditor")->editor();
    QTest::keyClicks(&editor, "It stops: ");
    EXPECT_FALSE(isShown(screen, "characterCount"));
    QGuiApplication::clipboard()->setText(QString(2'000'000, 'x'));

    // WHEN it is pasted, and a key typed after
    editor.paste();
    QTest::keyClicks(&editor, "y");
    settle();

    // THEN the description holds what was typed and what fit of the paste, and shows its count
    const QString message = screen.form().messageBody;
    EXPECT_EQ(message.size(), maximumSupportMessageLength);
    EXPECT_TRUE(message.startsWith("It stops: xxx"));
    EXPECT_TRUE(message.endsWith("xxx"));
    const QString limit = QLocale().toString(maximumSupportMessageLength);
    EXPECT_EQ(labelText(screen, "characterCount"), limit + " / " + limit);
}

} // namespace
