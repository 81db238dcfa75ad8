// Writes the sample handheld image (and, on request, the decoders' fuzz seeds).
//
//   scorvane-sample-generator OUTPUT_FOLDER [--fuzz-seeds FUZZ_CORPUS_FOLDER]
#include "HighscoreWriters.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 1 && !(args.size() == 3 && args[1] == QLatin1String("--fuzz-seeds"))) {
        err << "Usage: scorvane-sample-generator OUTPUT_FOLDER [--fuzz-seeds CORPUS_FOLDER]\n";
        return 2;
    }
    if (!writers::WriteSampleImage(args[0])) {
        err << "scorvane-sample-generator: cannot write " << args[0] << "\n";
        return 1;
    }
    if (args.size() == 3 && !writers::WriteFuzzSeeds(args[2])) {
        err << "scorvane-sample-generator: cannot write " << args[2] << "\n";
        return 1;
    }
    return 0;
}
