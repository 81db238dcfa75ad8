#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace {

void PrintUsage(QTextStream& out) {
    out << "Usage: scorvane-cli <command> [options]\n"
           "\n"
           "Collects the highscores that games left on a handheld and publishes them.\n"
           "\n"
           "Commands:\n"
           "  help        Show this text.\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelkora"));
    QCoreApplication::setApplicationName(QStringLiteral("Scorvane"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("help") ||
        args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
        PrintUsage(out);
        return args.isEmpty() ? 2 : 0;
    }
    err << "scorvane-cli: unknown command \"" << args.front() << "\"\n";
    PrintUsage(err);
    return 2;
}
