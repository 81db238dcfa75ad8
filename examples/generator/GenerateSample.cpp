// Writes the sample handheld image (and, on request, the decoders' fuzz seeds), or a varied
// image chosen by a seed.
//
//   scorvane-sample-generator OUTPUT_FOLDER [--fuzz-seeds FUZZ_CORPUS_FOLDER]
//   scorvane-sample-generator OUTPUT_FOLDER --random SEED
#include "HighscoreWriters.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool seeds = args.size() == 3 && args[1] == QLatin1String("--fuzz-seeds");
    const bool random = args.size() == 3 && args[1] == QLatin1String("--random");
    bool seedOk = false;
    const quint32 seed = random ? args[2].toUInt(&seedOk) : 0;
    if ((args.size() != 1 && !seeds && !random) || (random && !seedOk)) {
        err << "Usage: scorvane-sample-generator OUTPUT_FOLDER [--fuzz-seeds CORPUS_FOLDER]\n"
               "       scorvane-sample-generator OUTPUT_FOLDER --random SEED\n";
        return 2;
    }
    const bool written =
        random ? writers::WriteRandomImage(args[0], seed) : writers::WriteSampleImage(args[0]);
    if (!written) {
        err << "scorvane-sample-generator: cannot write " << args[0] << "\n";
        return 1;
    }
    if (seeds && !writers::WriteFuzzSeeds(args[2])) {
        err << "scorvane-sample-generator: cannot write " << args[2] << "\n";
        return 1;
    }
    return 0;
}
