#include "Output.h"

#include "Commands.h"
#include "device/TextCodec.h"

#include <QJsonDocument>
#include <algorithm>
#include <cstdio>

QTextStream& Out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

QString Text(const std::string& narrow) {
    return QStringFromNarrow(narrow);
}

int UsageError(const QString& command, const QString& message) {
    Out().flush();
    Err() << "scorvane-cli " << command << ": " << message << "\n"
          << "Run \"scorvane-cli help " << command << "\" for the options.\n";
    Err().flush();
    return EXIT_USAGE;
}

void PrintJson(const QJsonObject& object) {
    Out() << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    Out().flush();
}

std::optional<QMap<QString, QString>> ParseOptions(const QString& command, const QStringList& args,
                                                   const std::vector<OptionSpec>& specs) {
    QMap<QString, QString> given;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            given.insert(QStringLiteral("help"), QString());
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg.size() == 2) {
            UsageError(command, QStringLiteral("unexpected argument \"%1\"").arg(arg));
            return std::nullopt;
        }
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = arg.mid(2, eq < 0 ? -1 : eq - 2);
        const auto known = std::find_if(specs.begin(), specs.end(),
                                        [&](const OptionSpec& s) { return s.name == name; });
        if (known == specs.end()) {
            UsageError(command, QStringLiteral("unknown option \"--%1\"").arg(name));
            return std::nullopt;
        }
        if (!known->takesValue) {
            if (eq >= 0) {
                UsageError(command, QStringLiteral("option \"--%1\" takes no value").arg(name));
                return std::nullopt;
            }
            given.insert(name, QString());
            continue;
        }
        if (eq >= 0) {
            given.insert(name, arg.mid(eq + 1));
        } else if (i + 1 < args.size()) {
            given.insert(name, args[++i]);
        } else {
            UsageError(command, QStringLiteral("option \"--%1\" needs a value").arg(name));
            return std::nullopt;
        }
    }
    return given;
}
