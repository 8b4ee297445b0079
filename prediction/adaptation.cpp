#include "prediction/adaptation.h"

#include "base/apperror.h"
#include "base/filecodec.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace prediction {

Distribution adapted(const KanaModel &base, const NgramTable *user, const History &history,
                     const AdaptationWeights &weights)
{
    Distribution p = base.table().next(history);
    if (user && !user->isEmpty()) {
        int depth = 0;
        std::uint32_t seen = 0;
        const Distribution own = user->next(history, &depth, &seen);
        const double n = double(user->symbolsCounted());
        const double bySymbols = n / (n + weights.symbolsForHalf);
        const double byContext = depth >= weights.minDepth ? seen / (seen + weights.contextForHalf) : 0.0;
        const double share = 1 - (1 - bySymbols) * (1 - byContext);
        for (int s = 0; s < kSymbolCount; ++s)
            p[s] = (1 - share) * p[s] + share * own[s];
    }
    allowOnlyPossibleMarks(p, history);
    return p;
}

std::vector<std::vector<Symbol>> newestSymbols(std::vector<const UserText *> texts, std::size_t limit)
{
    std::stable_sort(texts.begin(), texts.end(),
                     [](const UserText *a, const UserText *b) { return a->written > b->written; });
    std::vector<std::vector<Symbol>> kept;
    std::size_t symbols = 0;
    for (const UserText *t : texts) {
        if (symbols >= limit)
            break;
        std::vector<Symbol> s = t->symbols;
        if (symbols + s.size() > limit) // the end of the text is the newest writing
            s.erase(s.begin(), s.end() - (limit - symbols));
        symbols += s.size();
        kept.push_back(std::move(s));
    }
    return kept;
}

NgramTable userTable(std::vector<const UserText *> texts, int order, std::size_t limit)
{
    return NgramTable::build(newestSymbols(std::move(texts), limit), order);
}

namespace {

QString samePath(const QString &path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The text files of the folder, newest first, until the limit is reached.
std::vector<UserText> readDiaries(const QString &folder, const QDateTime &notBefore, std::size_t limit,
                                  const std::atomic<bool> &cancel)
{
    std::vector<UserText> out;
    if (folder.isEmpty())
        return out;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.txt"), QStringLiteral("*.TXT")},
                                                           QDir::Files | QDir::Readable, QDir::Time);
    std::size_t symbols = 0;
    for (const QFileInfo &info : files) {
        if (cancel || symbols >= limit)
            break;
        if (info.size() > Adaptation::kMaxFileBytes || (notBefore.isValid() && info.lastModified() < notBefore))
            continue;
        try {
            UserText t{samePath(info.filePath()), info.lastModified(), reduce(filecodec::readFile(info.filePath()))};
            symbols += t.symbols.size();
            out.push_back(std::move(t));
        } catch (const AppError &) {
            // A file that cannot be read is left out, as if it were not there.
        }
    }
    return out;
}

} // namespace

Adaptation::Adaptation(std::shared_ptr<const KanaModel> base, QObject *parent)
    : QObject(parent), m_base(std::move(base))
{
    m_pool.setMaxThreadCount(1);
}

Adaptation::~Adaptation()
{
    *m_cancel = true;
    m_pool.waitForDone();
}

void Adaptation::readFolder(const QString &diaryFolder)
{
    m_folder = diaryFolder;
    ++m_folderGeneration;
    startCount();
}

void Adaptation::takeText(const QString &path, const QString &text)
{
    const QString key = path.isEmpty() ? QStringLiteral("\n%1").arg(++m_unnamed) : samePath(path);
    m_saved.insert(key, {text, QDateTime::currentDateTimeUtc()});
    startCount();
}

void Adaptation::forget(const QDateTime &before)
{
    m_notBefore = before;
    m_saved.clear();
    m_user.reset();
    m_lexicon = std::make_shared<const Lexicon>();
    ++m_folderGeneration; // the folder is read again without what came before
    emit updated();
    startCount();
}

void Adaptation::startCount()
{
    if (m_running) {
        m_again = true;
        return;
    }
    if (!m_base || m_base->isEmpty())
        return;
    m_running = true;
    m_again = false;

    // Everything the count needs is copied now; the texts are shared, not copied.
    const bool readAgain = m_folderReadFor != m_folderGeneration;
    const QString folder = m_folder;
    const QDateTime notBefore = m_notBefore;
    const quint64 generation = m_folderGeneration;
    auto folderTexts = readAgain ? nullptr : m_folderTexts;
    std::vector<UserText> saved;
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
        saved.push_back({it.key(), it.value().second, {}});
    QStringList savedTexts;
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it)
        savedTexts << it.value().first;
    const int order = m_base->order();
    const auto cancel = m_cancel;

    m_pool.start([this, readAgain, folder, notBefore, generation, folderTexts, saved = std::move(saved), savedTexts,
                  order, cancel]() mutable {
        if (readAgain)
            folderTexts = std::make_shared<const std::vector<UserText>>(
                readDiaries(folder, notBefore, kMaxUserSymbols, *cancel));
        for (std::size_t i = 0; i < saved.size(); ++i)
            saved[i].symbols = reduce(savedTexts[qsizetype(i)]);
        std::vector<const UserText *> all;
        for (const UserText &t : saved)
            all.push_back(&t);
        for (const UserText &t : *folderTexts) {
            const bool replaced = std::any_of(saved.begin(), saved.end(), [&](const UserText &s) { return s.path == t.path; });
            if (!replaced)
                all.push_back(&t);
        }
        if (*cancel)
            return;
        const std::vector<std::vector<Symbol>> newest = newestSymbols(std::move(all), kMaxUserSymbols);
        auto user = std::make_shared<const NgramTable>(NgramTable::build(newest, order));
        auto lexicon = std::make_shared<Lexicon>();
        for (const std::vector<Symbol> &text : newest)
            lexicon->add(text);
        QMetaObject::invokeMethod(
            this,
            [this, user, lexicon = std::shared_ptr<const Lexicon>(lexicon), folderTexts, generation] {
                counted(user, lexicon, folderTexts, generation);
            },
            Qt::QueuedConnection);
    });
}

void Adaptation::counted(std::shared_ptr<const NgramTable> user, std::shared_ptr<const Lexicon> lexicon,
                         std::shared_ptr<const std::vector<UserText>> folder, quint64 folderGeneration)
{
    m_running = false;
    if (folderGeneration != m_folderGeneration) { // forgotten meanwhile: counted again without it
        startCount();
        return;
    }
    m_user = std::move(user);
    m_lexicon = std::move(lexicon);
    m_folderTexts = std::move(folder);
    m_folderReadFor = folderGeneration;
    emit updated();
    if (m_again)
        startCount();
}

Distribution Adaptation::next(QStringView before) const
{
    if (!m_base)
        return prediction::KanaModel().next(before);
    return adapted(*m_base, m_user.get(), m_base->historyOf(before), m_weights);
}

Distribution Adaptation::next(const History &history) const
{
    if (!m_base)
        return prediction::KanaModel().next(history);
    return adapted(*m_base, m_user.get(), history, m_weights);
}

std::vector<RankedKey> Adaptation::rank(QStringView before, const std::vector<int> &tags) const
{
    return rankKeys(next(before), tags);
}

} // namespace prediction
