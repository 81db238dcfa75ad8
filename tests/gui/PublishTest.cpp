// Publishing from the window against a server on 127.0.0.1: the check boxes, the prompts and
// the Options dialog they open, the worker, and one message per destination.
#include "GuiTestSupport.h"
#include "HighscoreWriters.h"
#include "TestHttpServer.h"
#include "TestImage.h"
#include "app/CheckTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "device/IslandFiles.h"
#include "publish/PublishResult.h"
#include "publish/PublishRun.h"
#include "publish/UploadBody.h"
#include "scores/IslandMarks.h"
#include "ui/OptionsDlg.h"
#include "ui/Profile.h"
#include "ui/SiteAddresses.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>
#include <map>

// Found by argument lookup, so outside the anonymous namespace.
static bool operator==(const MessageBox::Shown& a, const MessageBox::Shown& b) {
    return a.text == b.text && a.buttons == b.buttons && a.icon == b.icon;
}

static void PrintTo(const MessageBox::Shown& box, std::ostream* out) {
    *out << '"' << box.text.toStdString() << "\" buttons " << box.buttons << " icon " << box.icon;
}

namespace {

const QByteArray kAccepted = "Highscores(7hT2xK9m4Rd):0\n";

class PublishTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QSettings().clear();
        server.SetResponse(TestResponse::Reply(kAccepted));
    }

    void TearDown() override {
        QSettings().clear();
        MessageBox::SetRecording(true);
    }

    // The profile as an installer and the user left it.
    void Profile(const std::string& email, const std::string& islandsEmail,
                 bool withServers = true) {
        CSettings settings;
        if (withServers) {
            settings.community.SetScriptUrl("http://" + server.HostAndPort() + "/hs/upload.php");
            settings.islands.SetScriptUrl("http://" + server.HostAndPort() + "/sky/up.php");
        }
        settings.community.SetEmail(email);
        settings.islands.SetEmail(islandsEmail);
        settings.islands.SetPassword("pw");
        ASSERT_TRUE(settings.Save());
    }

    void AddTable(const char* folder, const char* title) {
        const QByteArray text = writers::SignedTableText(
            9, 1, title, {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}});
        image.AddFile(QStringLiteral("\\Storage\\Program Files\\") + QLatin1String(folder) +
                          QStringLiteral("\\HighScores.sco"),
                      text);
        tables[title] = text;
    }

    void AddIslands() {
        image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                                         "\"Skyholm\"=\"2,\\\\My Documents\\\\Zelk Skyholm\"\n"));
        image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.0"),
                      writers::IslandFileBytes("Home Reef", "reef-0001", "island body"));
        image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.1"),
                      writers::IslandFileBytes("Gull Rock", "gull-0002", "island body"));
    }

    // Opens the window and downloads the image into the tree.
    void Open() {
        app.SetDeviceImageFolder(image.Root(), false);
        ASSERT_NO_FATAL_FAILURE(OpenWindow());
        view->StartDownload();
        view->FinishWorkerForTest();
        ASSERT_NE(view->Tree(), nullptr);
        MessageBox::TakeShown();
    }

    // Publishes as the Publish command does and handles the completion, as the event loop
    // would. False when no worker started.
    bool Publish() {
        frame->Actions().publish->trigger();
        if (!view->IsBusy())
            return false;
        view->FinishWorkerForTest();
        EXPECT_FALSE(view->IsBusy());
        return true;
    }

    QTreeWidgetItem* Branch(const QString& title) const {
        QTreeWidgetItem* root = view->Tree()->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i) {
            if (root->child(i)->text(0) == title)
                return root->child(i);
        }
        ADD_FAILURE() << "no branch " << title.toStdString();
        return root;
    }

    void UncheckAll(const QString& title) {
        QTreeWidgetItem* branch = Branch(title);
        for (int i = 0; i < branch->childCount(); ++i)
            view->Tree()->SetCheck(branch->child(i), false);
    }

    std::string Host() const { return server.HostAndPort(); }
    std::string Success(const std::string& path) const {
        return FormatPublishResult(0, "", Host(), Host() + path);
    }

    TestHttpServer server;
    TestImage image;
    std::map<std::string, QByteArray> tables;
};

MessageBox::Shown Box(const std::string& text, MessageBox::Icon icon = MessageBox::NoIcon,
                      MessageBox::Buttons buttons = MessageBox::Ok) {
    return {QString::fromStdString(text), buttons, icon};
}

TEST_F(PublishTest, BothDestinationsUploadTheCheckedEntriesAndReportInOrder) {
    AddTable("Trivia Blitz", "Trivia Blitz");
    AddIslands();
    Profile("me@ludora.example", "me@sky.example");
    Open();
    view->Tree()->SetCheck(Branch(QStringLiteral("Trivia Blitz"))->child(1), false);

    frame->Actions().publish->trigger();
    // Until the completion is handled, the run owns the window's commands.
    ASSERT_TRUE(view->IsBusy());
    EXPECT_FALSE(frame->Actions().publish->isEnabled());
    EXPECT_FALSE(frame->Actions().tbPublish->isEnabled());
    EXPECT_FALSE(frame->Actions().download->isEnabled());
    EXPECT_TRUE(frame->Actions().options->isEnabled());
    EXPECT_EQ(view->Tree()->Cursor().shape(), Qt::BusyCursor);
    // Clicks meanwhile do not change what is sent.
    view->Tree()->SetCheck(Branch(QStringLiteral("Trivia Blitz"))->child(0), false);
    view->FinishWorkerForTest();
    ASSERT_FALSE(view->IsBusy());
    EXPECT_TRUE(frame->Actions().publish->isEnabled());
    EXPECT_EQ(view->Tree()->Cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(view->PublishRunInProgress(), nullptr);

    EXPECT_EQ(MessageBox::TakeShown(), (std::vector<MessageBox::Shown>{
                                           Box(Success("/hs/upload.php"), MessageBox::Information),
                                           Box(Success("/sky/up.php"), MessageBox::Information)}));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/hs/upload.php");
    EXPECT_EQ(requests[0].body.toStdString(),
              EncodeBody(tables["Trivia Blitz"].toStdString() + "\n0:me@ludora.example"));
    EXPECT_EQ(requests[1].target, "/sky/up.php");
    EXPECT_TRUE(CIslandMarks(UserProfile()).IsMarked("gull-0002"))
        << "the sent island goes at the next download";
}

TEST_F(PublishTest, AFailingSourceEndsItsPassAndIsNamed) {
    AddTable("Quiz Night", "Quiz Night");
    AddTable("Trivia Blitz", "Trivia Blitz");
    AddIslands();
    Profile("me@ludora.example", "me@sky.example");
    Open();
    // Reply 4 (unknown game) to the first upload; the islands pass still runs.
    server.QueueResponses({TestResponse::Reply("Highscores(7hT2xK9m4Rd):4")});
    ASSERT_TRUE(Publish());

    EXPECT_EQ(
        MessageBox::TakeShown(),
        (std::vector<MessageBox::Shown>{Box(FormatPublishResult(UPLOAD_UNKNOWN_GAME, "Quiz Night",
                                                                Host(), Host() + "/hs/upload.php")),
                                        Box(Success("/sky/up.php"), MessageBox::Information)}));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u) << "Trivia Blitz is not sent after the failure";
    EXPECT_EQ(requests[0].target, "/hs/upload.php");
    EXPECT_EQ(requests[1].target, "/sky/up.php");
}

TEST_F(PublishTest, NothingCheckedSaysSoAndOnlyAChosenSourceNeedsItsServer) {
    AddTable("Trivia Blitz", "Trivia Blitz");
    Profile("me@ludora.example", "", false); // no servers
    Open();
    UncheckAll(QStringLiteral("Trivia Blitz"));
    ASSERT_TRUE(Publish()) << "the worker runs with nothing chosen";
    EXPECT_EQ(MessageBox::TakeShown(), std::vector<MessageBox::Shown>{Box(kNothingSelectedText)});

    view->Tree()->SetCheck(Branch(QStringLiteral("Trivia Blitz"))->child(0), true);
    EXPECT_FALSE(Publish());
    EXPECT_EQ(MessageBox::TakeShown(), std::vector<MessageBox::Shown>{Box(kNoServerText)});
    EXPECT_TRUE(frame->Actions().publish->isEnabled());
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(PublishTest, MissingEmailQuestionCancelNoAndYes) {
    AddTable("Trivia Blitz", "Trivia Blitz");
    Profile("", "me@sky.example");
    Open();
    const MessageBox::Shown question =
        Box(EmailPromptText(kCommunityHost), MessageBox::NoIcon, MessageBox::YesNoCancel);

    // Cancel, and Yes with the dialog cancelled, stop quietly.
    MessageBox::setNextAnswer(MessageBox::AnswerCancel);
    EXPECT_FALSE(Publish());
    MessageBox::setNextAnswer(MessageBox::AnswerYes);
    WhenShown<COptionsDlg>([](COptionsDlg* dialog) { dialog->CancelButton()->click(); });
    EXPECT_FALSE(Publish());
    EXPECT_EQ(MessageBox::TakeShown(), (std::vector<MessageBox::Shown>{question, question}));
    EXPECT_EQ(server.Connections(), 0);

    // No uploads without an address.
    MessageBox::setNextAnswer(MessageBox::AnswerNo);
    ASSERT_TRUE(Publish());
    EXPECT_EQ(MessageBox::TakeShown(),
              (std::vector<MessageBox::Shown>{
                  question, Box(Success("/hs/upload.php"), MessageBox::Information)}));

    // Yes opens Options on the address asked for, takes it from there and keeps it.
    MessageBox::setNextAnswer(MessageBox::AnswerYes);
    WhenShown<COptionsDlg>([](COptionsDlg* dialog) {
        EXPECT_EQ(dialog->focusWidget(), dialog->EmailEdit());
        EXPECT_FALSE(dialog->IslandsEmailEdit()->hasSelectedText());
        dialog->EmailEdit()->setText(QStringLiteral("  me@ludora.example "));
        dialog->OkButton()->click();
    });
    ASSERT_TRUE(Publish());
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string table = tables["Trivia Blitz"].toStdString();
    EXPECT_EQ(requests[0].body.toStdString(), EncodeBody(table + "\n0,1:"));
    EXPECT_EQ(requests[1].body.toStdString(), EncodeBody(table + "\n0,1:me@ludora.example"));
    EXPECT_EQ(app.settings.community.email, "me@ludora.example");
    CSettings stored;
    stored.Load();
    EXPECT_EQ(stored.community.email, "me@ludora.example");
}

TEST_F(PublishTest, IslandsAccountLeftEmptyAbortsWithTheStopSign) {
    AddIslands();
    Profile("me@ludora.example", "");
    Open();
    WhenShown<COptionsDlg>([](COptionsDlg* dialog) { dialog->CancelButton()->click(); });
    EXPECT_FALSE(Publish());
    EXPECT_EQ(MessageBox::TakeShown(),
              (std::vector<MessageBox::Shown>{Box(kIslandsOptionsText),
                                              Box(kIslandsAbortText, MessageBox::Hand)}));
    EXPECT_EQ(server.Connections(), 0);

    // OK with the address still empty aborts the same way.
    WhenShown<COptionsDlg>([](COptionsDlg* dialog) { dialog->OkButton()->click(); });
    EXPECT_FALSE(Publish());
    EXPECT_EQ(MessageBox::TakeShown().back(), Box(kIslandsAbortText, MessageBox::Hand));
}

TEST_F(PublishTest, StopAndClosingDropAnUploadTheServerNeverAnswers) {
    AddIslands();
    Profile("me@ludora.example", "me@sky.example");
    Open();
    server.SetResponse(TestResponse::Silent());
    auto uploading = [this](std::size_t requests) {
        return WaitFor([&] { return server.Requests().size() == requests; }, 30000);
    };

    // Stop: the upload counts as failed, so nothing is marked.
    frame->Actions().publish->trigger();
    ASSERT_TRUE(uploading(1));
    frame->Actions().stop->trigger();
    view->FinishWorkerForTest();
    EXPECT_EQ(MessageBox::TakeShown(), std::vector<MessageBox::Shown>{
                                           Box(FormatPublishResult(PUBLISH_STOPPED, "", "", ""))});
    EXPECT_FALSE(CIslandMarks(UserProfile()).IsMarked("gull-0002"));

    // Closing: the window goes while the server still holds the request.
    frame->Actions().publish->trigger();
    ASSERT_TRUE(uploading(2));
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    ASSERT_TRUE(view->IsBusy());
    view->FinishWorkerForTest();
    EXPECT_EQ(view->PublishRunInProgress()->result2, PUBLISH_STOPPED);
    EXPECT_TRUE(MessageBox::TakeShown().empty());
    EXPECT_FALSE(CIslandMarks(UserProfile()).IsMarked("gull-0002"));
}

} // namespace
