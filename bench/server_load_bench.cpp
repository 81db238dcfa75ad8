// Load on scorvane-server: 32 keep-alive HTTP/1.1 clients post table uploads over loopback as
// fast as the server answers (each sends its next upload when the last was answered), beside
// one HTTP/1.0 client that opens a connection per upload
// and reads each answer to the connection's end. Prints uploads per second and latency
// percentiles, first on SQLite, then on a throwaway PostgreSQL cluster that syncs its commits.
//
//   server_load_bench [--clients N] [--seconds S] [--threads N] [--sqlite-only]
#include "HighscoreWriters.h"
#include "ServerProcess.h"
#include "TempPostgres.h"
#include "formats/UploadData.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct ClientResult {
    std::vector<double> latenciesMs;
    long failures = 0;
};

int Connect(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// Distinct uploads: a table of ten records, five of them chosen, from the client's address.
std::vector<std::string> Requests(int client, int count, const char* version) {
    std::vector<std::string> requests;
    for (int i = 0; i < count; ++i) {
        std::vector<writers::TextRecord> records;
        for (int r = 0; r < 10; ++r)
            records.push_back({"Player " + std::to_string(client) + "-" + std::to_string(i) + "-" +
                                   std::to_string(r),
                               100000 - r * 977 - i, "Level: " + std::to_string(r)});
        const QByteArray table = writers::SignedTableText(9, 1, "Load Test", records);
        const std::string body =
            encodeBody(tableUploadData(table, {0, 2, 4, 6, 8},
                                       "bench" + QByteArray::number(client) + "@example.org"))
                .toStdString();
        requests.push_back(std::string("POST /community/upload ") + version +
                           "\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data\r\n"
                           "Content-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    return requests;
}

// One client connection, driven by the poll loop: it sends a request, reads the answer (for
// HTTP/1.0 up to the end of the connection, which the server must close), and starts over.
struct Client {
    quint16 port = 0;
    bool http10 = false;
    const std::vector<std::string>* requests = nullptr;
    ClientResult result;
    int fd = -1;
    std::size_t next = 0;
    std::size_t sent = 0;
    std::string in;
    Clock::time_point start;

    void Begin() {
        if (fd < 0)
            fd = Connect(port);
        sent = 0;
        in.clear();
        start = Clock::now();
    }
    const std::string& Request() const { return (*requests)[next % requests->size()]; }
    bool Sending() const { return sent < Request().size(); }

    // The answer's body once it is complete, else empty.
    std::optional<std::string> Answer(bool closed) const {
        const std::size_t headEnd = in.find("\r\n\r\n");
        if (headEnd == std::string::npos)
            return std::nullopt;
        const std::size_t at = in.find("Content-Length: ");
        const std::size_t length = at == std::string::npos ? 0 : std::stoul(in.substr(at + 16));
        if (in.size() < headEnd + 4 + length || (http10 && !closed))
            return std::nullopt;
        return in.substr(headEnd + 4, length);
    }

    void Finish(bool ok, bool measuring) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!ok)
            ++result.failures;
        else if (measuring)
            result.latenciesMs.push_back(ms);
        if (!ok || http10) {
            ::close(fd);
            fd = -1;
        }
        ++next;
        Begin();
    }

    void OnReady(short events, bool measuring) {
        if (Sending() && (events & POLLOUT)) {
            const ssize_t n =
                ::send(fd, Request().data() + sent, Request().size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN)
                return Finish(false, measuring);
            sent += n > 0 ? std::size_t(n) : 0;
        }
        if (!(events & (POLLIN | POLLHUP | POLLERR)))
            return;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EAGAIN)
            return;
        if (n > 0)
            in.append(chunk, std::size_t(n));
        const std::optional<std::string> body = Answer(n == 0);
        if (body)
            Finish(*body == "Highscores(7hT2xK9m4Rd):0\n", measuring);
        else if (n <= 0)
            Finish(false, measuring);
    }
};

// CPU seconds the process has used so far, all its threads together.
double CpuSeconds(qint64 pid) {
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!file)
        return 0;
    char buffer[1024] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    // Fields 14 and 15, user and system time, follow the parenthesised command name.
    const char* after = std::strrchr(buffer, ')');
    unsigned long user = 0;
    unsigned long system = 0;
    if (n == 0 || !after ||
        std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                    &system) != 2)
        return 0;
    return double(user + system) / double(::sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

void Measure(const char* label, const QString& database, int clients, int seconds,
             const QStringList& serverArguments) {
    ServerProcess server(QStringLiteral(SCORVANE_SERVER_PATH), database, serverArguments);
    if (server.Port() == 0) {
        std::printf("%s: the server did not start: %s\n", label, qPrintable(server.Log()));
        return;
    }
    std::vector<std::vector<std::string>> requests;
    for (int c = 0; c <= clients; ++c)
        requests.push_back(Requests(c, 400, c == clients ? "HTTP/1.0" : "HTTP/1.1"));
    std::vector<Client> all(std::size_t(clients) + 1);
    for (std::size_t c = 0; c < all.size(); ++c) {
        all[c].port = server.Port();
        all[c].http10 = c == std::size_t(clients);
        all[c].requests = &requests[c];
        all[c].Begin();
    }
    // Everything in one thread, so that the clients take as little of the machine as they can.
    const auto warm = Clock::now() + std::chrono::seconds(1);
    const auto end = warm + std::chrono::seconds(seconds);
    std::vector<pollfd> polls(all.size());
    double cpuAtStart = -1;
    for (auto now = Clock::now(); now < end; now = Clock::now()) {
        if (cpuAtStart < 0 && now >= warm)
            cpuAtStart = CpuSeconds(server.Pid());
        for (std::size_t c = 0; c < all.size(); ++c)
            polls[c] = {all[c].fd, short(all[c].Sending() ? POLLOUT : POLLIN), 0};
        if (::poll(polls.data(), polls.size(), 100) <= 0)
            continue;
        const bool measuring = now >= warm;
        for (std::size_t c = 0; c < all.size(); ++c)
            if (polls[c].revents)
                all[c].OnReady(polls[c].revents, measuring);
    }
    const double elapsed = double(seconds);
    const double serverCpu = CpuSeconds(server.Pid()) - cpuAtStart;

    std::vector<double> latencies;
    long failures = 0;
    for (std::size_t c = 0; c < std::size_t(clients); ++c) {
        latencies.insert(latencies.end(), all[c].result.latenciesMs.begin(),
                         all[c].result.latenciesMs.end());
        failures += all[c].result.failures;
    }
    const ClientResult& http10 = all.back().result;
    const double uploads = double(latencies.size() + http10.latenciesMs.size());
    std::printf("%-10s %d keep-alive clients: %6.0f uploads/s  p50 %6.2f ms  p99 %6.2f ms  "
                "failures %ld\n",
                label, clients, double(latencies.size()) / elapsed, Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), failures);
    std::printf("%-10s 1 HTTP/1.0 client:     %6.0f uploads/s  p50 %6.2f ms  p99 %6.2f ms  "
                "failures %ld\n",
                label, double(http10.latenciesMs.size()) / elapsed,
                Percentile(http10.latenciesMs, 0.5), Percentile(http10.latenciesMs, 0.99),
                http10.failures);
    std::printf("%-10s server CPU time per upload: %.0f us\n", label,
                uploads > 0 ? serverCpu / uploads * 1e6 : 0.0);
    std::fflush(stdout);
    for (Client& client : all)
        if (client.fd >= 0)
            ::close(client.fd);
    if (server.Stop() != 0)
        std::printf("%s: the server did not stop cleanly: %s\n", label, qPrintable(server.Log()));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int clients = 32;
    int seconds = 5;
    bool sqliteOnly = false;
    QStringList serverArguments;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--clients") && i + 1 < args.size())
            clients = qMax(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = qMax(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--sqlite-only"))
            sqliteOnly = true;
        else if (args[i] == QLatin1String("--threads") && i + 1 < args.size())
            serverArguments << args[i] << args[i + 1], ++i;
    }
    QTemporaryDir folder;
    Measure("SQLite", QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("bench.db")),
            clients, seconds, serverArguments);
    if (sqliteOnly)
        return 0;
    TempPostgres postgres(true);
    const QString url = postgres.CreateDatabase(QStringLiteral("bench"));
    if (url.isEmpty()) {
        std::printf("PostgreSQL: %s\n", qPrintable(postgres.Problem()));
        return 0;
    }
    Measure("PostgreSQL", url, clients, seconds, serverArguments);
    return 0;
}
