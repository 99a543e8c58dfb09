#include "platform/Mail.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDateTime>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/Shell.h"
#include "platform/StrUtils.h"

extern char** environ;

namespace mail {
namespace {

// How long a compose helper may take to hand the message over; past that it
// is taken to have become the mail program, which runs on. And how long the
// sending program may take to accept a message.
std::atomic<long long> g_composeWaitMs{3000};
std::atomic<long long> g_sendWaitMs{60000};

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Base64Lines(const std::string& bytes) {
    const QByteArray encoded = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64();
    std::string out;
    for (qsizetype at = 0; at < encoded.size(); at += 76) out += encoded.mid(at, 76).toStdString() + "\n";
    return out;
}

// A header text: as it is when plain ASCII, else an encoded word.
std::string HeaderText(const std::string& text) {
    if (IsAscii(text)) return text;
    return "=?UTF-8?B?" + QByteArray(text.data(), static_cast<qsizetype>(text.size())).toBase64().toStdString() + "?=";
}

std::string Mailbox(const Recipient& r) {
    if (r.name.empty() || r.name == r.address) return r.address;
    std::string name;
    if (IsAscii(r.name)) {
        name = "\"";
        for (char c : r.name) {
            if (c == '"' || c == '\\') name += '\\';
            if (c != '\r' && c != '\n') name += c;
        }
        name += "\"";
    } else {
        name = HeaderText(r.name);
    }
    return name + " <" + r.address + ">";
}

bool IsToken(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && std::string_view("()<>@,;:\\\"/[]?=").find(c) == std::string_view::npos;
    });
}

// A file name parameter: quoted when plain, else in the extended form.
std::string NameParameter(const std::string& key, const std::string& value) {
    const bool plain = IsAscii(value) && std::all_of(value.begin(), value.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\' && c != 0x7F;
    });
    if (plain) return key + "=\"" + value + "\"";
    return key + "*=UTF-8''" + QUrl::toPercentEncoding(Q(value)).toStdString();
}

bool PlainBody(const std::string& body) {
    std::size_t line = 0;
    for (char c : body) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n') {
            line = 0;
            continue;
        }
        if (u >= 0x80 || (u < 0x20 && c != '\t') || u == 0x7F || ++line > 900) return false;
    }
    return true;
}

std::string WithLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::string FileNameOf(const Attachment& a) {
    if (!a.displayName.empty()) return a.displayName;
    const std::size_t slash = a.path.rfind('/');
    return slash == std::string::npos ? a.path : a.path.substr(slash + 1);
}

// The desktop's MIME database by name and content; without one (a bare
// system, or tests with private XDG folders) a WAV image is still named so.
std::string ContentType(const QMimeDatabase& types, const std::string& name, const std::string& bytes) {
    const QByteArray head(bytes.data(), static_cast<qsizetype>(std::min<std::size_t>(bytes.size(), 4096)));
    const QMimeType type = types.mimeTypeForFileNameAndData(Q(name), head);
    if (type.isValid() && !type.isDefault() && type.name() != "application/octet-stream") return type.name().toStdString();
    if (bytes.size() >= 12 && bytes.compare(0, 4, "RIFF") == 0 && bytes.compare(8, 4, "WAVE") == 0) return "audio/x-wav";
    return "application/octet-stream";
}

std::optional<std::vector<Recipient>> PlainRecipients(const std::vector<Recipient>& to) {
    std::vector<Recipient> out;
    for (const auto& r : to) {
        auto address = PlainAddress(r.address);
        if (!address) return std::nullopt;
        out.push_back({r.name == r.address ? *address : r.name, *address});
    }
    return out;
}

// Compose helpers that outlived their wait; reaped when they have ended.
std::mutex g_lock;
std::vector<pid_t>& Lingering() {
    static std::vector<pid_t> pids;
    return pids;
}

void ReapLingering() {
    std::lock_guard<std::mutex> guard(g_lock);
    auto& pids = Lingering();
    std::erase_if(pids, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace

std::string SendmailProgram() {
    const char* p = std::getenv("PELLOW_SENDMAIL");
    return p && *p ? p : "/usr/sbin/sendmail";
}

std::string ComposeProgram() { return shell::FindOnPath("xdg-email"); }

bool Available() { return shell::IsExecutableFile(SendmailProgram()) || !ComposeProgram().empty(); }

std::optional<std::string> PlainAddress(const std::string& Address) {
    std::string a = Address;
    if (a.size() >= 5 && SameText(a.substr(0, 5), "SMTP:")) a = a.substr(5);
    if (a.empty()) return std::nullopt;
    for (char c : a) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || std::string_view("<>(),;:\\\"[]").find(c) != std::string_view::npos) return std::nullopt;
    }
    return a;
}

std::string FormatMime(const std::string& Subject, const std::string& Body, const std::vector<Recipient>& To,
                       const std::vector<Part>& Parts, const std::string& Date, const std::string& Boundary) {
    std::string m;
    if (!To.empty()) {
        m += "To: ";
        for (std::size_t i = 0; i < To.size(); ++i) m += (i ? ",\n " : "") + Mailbox(To[i]);
        m += "\n";
    }
    const std::string subject = WithLf(Subject);
    m += "Subject: " + HeaderText(subject.substr(0, subject.find('\n'))) + "\n";
    if (!Date.empty()) m += "Date: " + Date + "\n";
    m += "MIME-Version: 1.0\n";
    const std::string body = WithLf(Body);
    const bool plain = PlainBody(body);
    std::string text = "Content-Type: text/plain; charset=UTF-8\n";
    // The line end after plain text belongs to the boundary that follows.
    text += plain ? "Content-Transfer-Encoding: 7bit\n\n" + body + "\n"
                  : "Content-Transfer-Encoding: base64\n\n" + Base64Lines(body);
    if (Parts.empty()) return m + text;
    m += "Content-Type: multipart/mixed; boundary=\"" + Boundary + "\"\n\n";
    m += "--" + Boundary + "\n" + text;
    for (const auto& p : Parts) {
        const std::string type = IsToken(p.contentType.substr(0, p.contentType.find('/'))) ? p.contentType
                                                                                           : "application/octet-stream";
        m += "--" + Boundary + "\n";
        m += "Content-Type: " + type + "; " + NameParameter("name", p.fileName) + "\n";
        m += "Content-Transfer-Encoding: base64\n";
        m += "Content-Disposition: attachment; " + NameParameter("filename", p.fileName) + "\n\n";
        m += Base64Lines(p.bytes);
    }
    m += "--" + Boundary + "--\n";
    return m;
}

Result Compose(const Message& M) {
    ReapLingering();
    const std::string helper = ComposeProgram();
    if (helper.empty()) return Result::NoRoute;
    const auto to = PlainRecipients(M.to);
    if (!to) return Result::BadRecipient;
    std::vector<std::string> args = {helper, "--utf8", "--subject", M.subject, "--body", M.body};
    for (const auto& a : M.attachments) {
        if (!ReadAll(a.path)) return Result::BadAttachment;
        args.push_back("--attach");
        args.push_back(a.path);
    }
    // Addresses go in as one mailto URI, so that none can pass for an option.
    if (!to->empty()) {
        std::string uri = "mailto:";
        for (std::size_t i = 0; i < to->size(); ++i)
            uri += (i ? "," : "") + QUrl::toPercentEncoding(Q((*to)[i].address), "@").toStdString();
        args.push_back(uri);
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawn(&pid, helper.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return Result::NoRoute;
    const auto limit = std::chrono::steady_clock::now() + ComposeWait();
    while (std::chrono::steady_clock::now() < limit) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Result::Done : Result::Failed;
        if (r < 0) return Result::Failed;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::lock_guard<std::mutex> guard(g_lock);
    Lingering().push_back(pid);
    return Result::Done;
}

Result Send(const Message& M) {
    const std::string program = SendmailProgram();
    if (!shell::IsExecutableFile(program)) return Result::NoRoute;
    const auto to = PlainRecipients(M.to);
    if (!to || to->empty()) return Result::BadRecipient;
    std::vector<Part> parts;
    QMimeDatabase types;
    for (const auto& a : M.attachments) {
        auto bytes = ReadAll(a.path);
        if (!bytes) return Result::BadAttachment;
        const std::string type = ContentType(types, FileNameOf(a), *bytes);
        parts.push_back({FileNameOf(a), type, std::move(*bytes)});
    }
    std::string boundary;
    do {
        boundary = "=_" + QUuid::createUuid().toString(QUuid::Id128).toStdString();
    } while (WithLf(M.body).find(boundary) != std::string::npos);
    const std::string date = QDateTime::currentDateTime().toString(Qt::RFC2822Date).toStdString();
    const std::string text = FormatMime(M.subject, M.body, *to, parts, date, boundary);

    QProcess process;
    process.setProgram(Q(program));
    // -t: the recipients come from the headers; -i: a line of one dot is text.
    process.setArguments({"-i", "-t"});
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted()) return Result::NoRoute;
    process.write(text.data(), static_cast<qint64>(text.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(static_cast<int>(SendWait().count()))) {
        process.kill();
        process.waitForFinished();
        return Result::Failed;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? Result::Done : Result::Failed;
}

std::chrono::milliseconds ComposeWait() { return std::chrono::milliseconds(g_composeWaitMs.load()); }
std::chrono::milliseconds SendWait() { return std::chrono::milliseconds(g_sendWaitMs.load()); }
void SetComposeWait(std::chrono::milliseconds Wait) { g_composeWaitMs = Wait.count(); }
void SetSendWait(std::chrono::milliseconds Wait) { g_sendWaitMs = Wait.count(); }

}  // namespace mail
