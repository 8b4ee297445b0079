// Builds the kana model file from the texts the package carries:
//   kanamodel_build OUT EVERYDAY DASHER60 DASHER83 [ORDER]
// EVERYDAY is our sentence file (prediction/data), DASHER60 and DASHER83 the
// two notations of dasher-data's Japanese training text.
#include "prediction/corpus.h"
#include "prediction/kanamodel.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

using namespace prediction;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: kanamodel_build OUT EVERYDAY DASHER60 DASHER83 [ORDER]\n");
        return 2;
    }
    const int order = args.size() > 5 ? args[5].toInt() : 5;
    QString error;
    QStringList lines[3];
    for (int i = 0; i < 3; ++i) {
        lines[i] = corpus::readLines(args[2 + i], &error);
        if (lines[i].isEmpty()) {
            std::fprintf(stderr, "kanamodel_build: %s\n", qPrintable(error.isEmpty() ? args[2 + i] + QStringLiteral(": empty") : error));
            return 1;
        }
    }
    // Everything is trained on: the held-out parts serve the bench only,
    // which builds its own models without them.
    corpus::Texts texts = corpus::reduceEach(corpus::sentences(lines[0]));
    const corpus::Texts dasher = corpus::dasherBoth(lines[1], lines[2], corpus::Part::Training);
    const corpus::Texts dasherHeld = corpus::dasherBoth(lines[1], lines[2], corpus::Part::HeldOut);
    texts.insert(texts.end(), dasher.begin(), dasher.end());
    texts.insert(texts.end(), dasherHeld.begin(), dasherHeld.end());
    const NgramTable table = NgramTable::build(texts, order);

    QSaveFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(table.toBytes()) < 0 || !out.commit()) {
        std::fprintf(stderr, "kanamodel_build: %s: %s\n", qPrintable(args[1]), qPrintable(out.errorString()));
        return 1;
    }
    std::printf("kana model: order %d, %llu symbols, %zu nodes\n", order,
                static_cast<unsigned long long>(table.symbolsCounted()), table.nodeCount());
    return 0;
}
