#include "platform/Mail.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <chrono>
#include <string>
#include <vector>

#include "testkit/FakeMail.h"
#include "testkit/TestKit.h"
#include "testkit/Wave.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using mail::Result;

std::string Hex(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex().toStdString();
}

std::string Str(const QJsonValue& v) { return v.toString().toStdString(); }

TEST(PlainAddress, TakesOffTheTypeAndRefusesWhatCouldBreakAHeader) {
    struct Case {
        const char* address;
        std::optional<std::string> plain;
    };
    const Case cases[] = {
        {"SMTP:anna@example.org", "anna@example.org"},
        {"smtp:anna@example.org", "anna@example.org"},
        {"anna@example.org", "anna@example.org"},
        {"root", "root"},
        {"anna.b+voice@mail.example.org", "anna.b+voice@mail.example.org"},
        {"SMTP:", std::nullopt},
        {"", std::nullopt},
        {"SMTP:anna@example.org\nBcc: eve@example.org", std::nullopt},
        {"anna@example.org\r", std::nullopt},
        {"anna @example.org", std::nullopt},
        {"Anna <anna@example.org>", std::nullopt},
        {"anna@example.org, eve@example.org", std::nullopt},
        {"X400:c=de;a=x", std::nullopt},
        {"\"anna\"@example.org", std::nullopt},
        {"anna@[10.0.0.1]", std::nullopt},
        {"anna\x7f@example.org", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(mail::PlainAddress(c.address), c.plain) << c.address;
}

class MailTest : public ::testing::Test {
protected:
    testkit::TempHome home_;
    std::string Path(const std::string& name) const { return home_.Path() + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const {
        testkit::WriteFile(Path(name), bytes);
        return Path(name);
    }
    QJsonObject Parse(const std::string& text) const {
        testkit::WriteFile(Path("message.eml"), text);
        const auto summary = testkit::MimeSummary(Path("message.eml"));
        EXPECT_FALSE(summary.isEmpty()) << "python3 could not read the message";
        return summary;
    }
};

TEST_F(MailTest, FormatMimeIsReadByAMimeParserAsWritten) {
    const std::string wav = testkit::MessageWav(1000);
    const std::string binary = std::string("\0\x01\xff\r\n.\n--=_b\n", 12);
    const std::vector<mail::Part> parts = {{"Voic0002.wav", "audio/x-wav", wav},
                                           {"Grüße 1.bin", "application/octet-stream", binary}};
    const std::string text = mail::FormatMime("Murmel", "Murmel in Attachment", {{"anna@example.org", "anna@example.org"}},
                                              parts, "Thu, 10 Dec 2026 10:20:30 +0100", "=_b");
    EXPECT_EQ(text.find('\r'), std::string::npos) << "a sendmail program reads LF line ends";
    const auto m = Parse(text);
    EXPECT_TRUE(m["defects"].toArray().isEmpty());
    EXPECT_EQ(Str(m["headers"]["Subject"]), "Murmel");
    EXPECT_EQ(Str(m["headers"]["MIME-Version"]), "1.0");
    EXPECT_EQ(Str(m["headers"]["Date"]), "Thu, 10 Dec 2026 10:20:30 +0100");
    EXPECT_EQ(m["to"].toArray(), QJsonArray({"anna@example.org"}));
    ASSERT_TRUE(m["multipart"].toBool());
    const auto p = m["parts"].toArray();
    ASSERT_EQ(p.size(), 3);
    EXPECT_EQ(Str(p[0]["type"]), "text/plain");
    EXPECT_EQ(Str(p[0]["hex"]), Hex("Murmel in Attachment"));
    EXPECT_EQ(Str(p[1]["type"]), "audio/x-wav");
    EXPECT_EQ(Str(p[1]["disposition"]), "attachment");
    EXPECT_EQ(Str(p[1]["filename"]), "Voic0002.wav");
    EXPECT_EQ(Str(p[1]["hex"]), Hex(wav));
    EXPECT_EQ(Str(p[2]["filename"]), "Grüße 1.bin");
    EXPECT_EQ(Str(p[2]["hex"]), Hex(binary));
    for (const auto& part : p) EXPECT_TRUE(part.toObject()["defects"].toArray().isEmpty());
}

TEST_F(MailTest, FormatMimeEncodesTextThatIsNotPlainAscii) {
    const std::string body = "Grüße\r\naus Köln\rEnde";
    const auto m = Parse(mail::FormatMime("Nachricht für Anna\nBcc: eve@example.org", body,
                                          {{"Anna \"A\" Müller", "anna@example.org"}, {"bob@example.org", "bob@example.org"}},
                                          {}, "", "=_b"));
    EXPECT_TRUE(m["defects"].toArray().isEmpty());
    EXPECT_EQ(Str(m["headers"]["Subject"]), "Nachricht für Anna") << "a subject keeps its first line only";
    EXPECT_FALSE(m["headers"].toObject().contains("Bcc"));
    EXPECT_FALSE(m["headers"].toObject().contains("Date"));
    EXPECT_EQ(m["to"].toArray(), QJsonArray({"anna@example.org", "bob@example.org"}));
    EXPECT_EQ(Str(m["to_names"][0]), "Anna \"A\" Müller");
    EXPECT_FALSE(m["multipart"].toBool()) << "without attachments the message is its text";
    EXPECT_EQ(Str(m["parts"][0]["charset"]), "utf-8");
    EXPECT_EQ(Str(m["parts"][0]["hex"]), Hex("Grüße\naus Köln\nEnde"));
    // Plain text stays readable in the message itself.
    const std::string plain = mail::FormatMime("s", "line 1\r\nline 2", {}, {}, "", "=_b");
    EXPECT_NE(plain.find("\nline 1\nline 2\n"), std::string::npos) << plain;
}

class SendTest : public MailTest {
protected:
    void SetUp() override { fake_ = std::make_unique<testkit::FakeSendmail>(Path("sendmail")); }
    std::unique_ptr<testkit::FakeSendmail> fake_;
};

TEST_F(SendTest, HandsTheMessageToTheSendingProgramWithTheRecipientInItsHeaders) {
    const std::string newest = testkit::MessageWav(800);
    const std::string older = testkit::MessageWav(400);
    const mail::Message message{"Murmel", "Murmel in Attachment", {{"anna@example.org", "SMTP:anna@example.org"}},
                                {{Write("Voic0008.wav", newest), "Voic0008.wav"}, {Write("Voic0007.wav", older), ""}}};
    ASSERT_EQ(mail::Send(message), Result::Done);
    ASSERT_EQ(fake_->Messages().size(), 1u);
    EXPECT_EQ(fake_->Arguments()[0], (std::vector<std::string>{"-i", "-t"}));
    const auto m = testkit::MimeSummary(fake_->Messages()[0]);
    EXPECT_TRUE(m["defects"].toArray().isEmpty());
    EXPECT_EQ(m["to"].toArray(), QJsonArray({"anna@example.org"}));
    EXPECT_EQ(Str(m["headers"]["Subject"]), "Murmel");
    EXPECT_FALSE(Str(m["headers"]["Date"]).empty());
    const auto p = m["parts"].toArray();
    ASSERT_EQ(p.size(), 3);
    EXPECT_EQ(Str(p[1]["filename"]), "Voic0008.wav");
    EXPECT_EQ(Str(p[1]["type"]), "audio/x-wav");
    EXPECT_EQ(Str(p[1]["hex"]), Hex(newest));
    EXPECT_EQ(Str(p[2]["filename"]), "Voic0007.wav") << "without a display name the file's own name";
    EXPECT_EQ(Str(p[2]["hex"]), Hex(older));
}

TEST_F(SendTest, ReportsEachFailureAndRunsNothingForABadMessage) {
    const std::string wav = Write("Voic0001.wav", testkit::MessageWav(10));
    const mail::Message good{"Murmel", "x", {{"a@example.org", "SMTP:a@example.org"}}, {{wav, ""}}};
    mail::Message noAddress = good;
    noAddress.to = {{"", "SMTP:"}};
    EXPECT_EQ(mail::Send(noAddress), Result::BadRecipient);
    mail::Message nobody = good;
    nobody.to.clear();
    EXPECT_EQ(mail::Send(nobody), Result::BadRecipient);
    mail::Message injected = good;
    injected.to = {{"x", "SMTP:a@example.org\nBcc: eve@example.org"}};
    EXPECT_EQ(mail::Send(injected), Result::BadRecipient);
    mail::Message missing = good;
    missing.attachments.push_back({Path("Voic0002.wav"), ""});
    EXPECT_EQ(mail::Send(missing), Result::BadAttachment);
    EXPECT_TRUE(fake_->Messages().empty());

    fake_->ExitWith(75);
    EXPECT_EQ(mail::Send(good), Result::Failed);
    EXPECT_EQ(fake_->Messages().size(), 1u);

    testkit::ScopedEnv gone("PELLOW_SENDMAIL", Path("no-such-sendmail"));
    EXPECT_EQ(mail::Send(good), Result::NoRoute);
}

TEST_F(SendTest, ASendingProgramThatNeverEndsFailsAfterTheWait) {
    EXPECT_EQ(mail::SendWait(), 60000ms);
    testkit::WriteFile(Path("slow-sendmail"), "#!/bin/sh\nexec sleep 30\n");
    chmod(Path("slow-sendmail").c_str(), 0755);
    testkit::ScopedEnv slow("PELLOW_SENDMAIL", Path("slow-sendmail"));
    mail::SetSendWait(300ms);
    const auto before = Clock::now();
    EXPECT_EQ(mail::Send({"s", "b", {{"", "a@example.org"}}, {}}), Result::Failed);
    mail::SetSendWait(60000ms);
    EXPECT_LT(Clock::now() - before, 5s);
}

class ComposeTest : public MailTest {
protected:
    std::string Bin() const { return Path("bin"); }
    testkit::ScopedEnv path_{"PATH", home_.Path() + "/bin:/usr/bin:/bin"};
};

TEST_F(ComposeTest, OpensTheMailProgramWithSubjectBodyAndAttachment) {
    testkit::WriteFakeComposer(Bin(), 0);
    const std::string wav = Write("Voic0003.wav", testkit::MessageWav(10));
    EXPECT_EQ(mail::Compose({"Murmel", "Murmel in Attachment", {}, {{wav, "Voic0003.wav"}}}), Result::Done);
    EXPECT_EQ(mail::Compose({"s", "b", {{"", "SMTP:-x@example.org"}, {"", "b@example.org"}}, {}}), Result::Done);
    const auto runs = testkit::ComposerRuns(Bin());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (std::vector<std::string>{"--utf8", "--subject", "Murmel", "--body", "Murmel in Attachment",
                                                 "--attach", wav}));
    EXPECT_EQ(runs[1].back(), "mailto:-x@example.org,b@example.org") << "addresses never pass for options";
}

TEST_F(ComposeTest, AFailingHelperOrNoneIsReported) {
    testkit::WriteFakeComposer(Bin(), 3);
    EXPECT_EQ(mail::Compose({"s", "b", {}, {}}), Result::Failed);
    EXPECT_EQ(mail::Compose({"s", "b", {}, {{Path("gone.wav"), ""}}}), Result::BadAttachment);
    testkit::ScopedEnv bare("PATH", Path("empty"));
    EXPECT_EQ(mail::ComposeProgram(), "");
    EXPECT_EQ(mail::Compose({"s", "b", {}, {}}), Result::NoRoute);
}

TEST_F(ComposeTest, AHelperThatStaysIsTheMailProgramRunningOn) {
    EXPECT_EQ(mail::ComposeWait(), 3000ms);
    testkit::WriteFakeComposer(Bin(), 1, 2);
    mail::SetComposeWait(200ms);
    const auto before = Clock::now();
    EXPECT_EQ(mail::Compose({"s", "b", {}, {}}), Result::Done);
    mail::SetComposeWait(3000ms);
    EXPECT_LT(Clock::now() - before, 1500ms);
}

TEST_F(ComposeTest, AvailableWhenEitherRouteExists) {
    testkit::ScopedEnv only("PATH", Bin());
    testkit::ScopedEnv noSendmail("PELLOW_SENDMAIL", Path("no-such-sendmail"));
    EXPECT_FALSE(mail::Available());
    testkit::WriteFakeComposer(Bin(), 0);
    EXPECT_TRUE(mail::Available());
    testkit::ScopedEnv bare("PATH", Path("empty"));
    EXPECT_FALSE(mail::Available());
    testkit::FakeSendmail fake(Path("sendmail"));
    EXPECT_TRUE(mail::Available());
}

}  // namespace
