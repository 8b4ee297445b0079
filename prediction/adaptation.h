#pragma once
#include "prediction/completion.h"
#include "prediction/kanamodel.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <memory>

// The kana model adapted to the user's own writing: the texts of the diary
// folder, read in the background at start, and every text the user saves
// from then on are counted into a model of their own, which is mixed with
// the model built with the program. The user's model takes over as their
// writing grows, and at once where they repeat what they wrote before.
//
// The counting runs on a thread of its own; the finished model is handed to
// the thread that owns this object by a queued call, so asking for a
// prediction never waits. Nothing is ever written: the diaries are only read.
namespace prediction {

// How the user's model is weighted against the built one (chosen on a month
// of one person's diary by bench/kana_model_bench: nearly the least bits on
// the days that follow, and little loss where the user writes something new).
struct AdaptationWeights
{
    // The user's share grows with the symbols they wrote: n / (n + symbolsForHalf).
    double symbolsForHalf = 20000;
    // And with how often they wrote the context in front of the insertion
    // point (at least minDepth symbols long): c / (c + contextForHalf).
    double contextForHalf = 0.5;
    int minDepth = 3;
};

// The user's model mixed into the built one for one history.
Distribution adapted(const KanaModel &base, const NgramTable *user, const History &history,
                     const AdaptationWeights &weights = {});

// The user's model from their texts: the newest first, up to `limit`
// symbols in all, so that it stays small (about 4.3 MiB at the limit) and
// follows how the user writes now.
struct UserText
{
    QString path;
    QDateTime written;
    std::vector<Symbol> symbols;
};
NgramTable userTable(std::vector<const UserText *> texts, int order, std::size_t limit);
// The same texts as userTable counts, newest first, cut at the limit.
std::vector<std::vector<Symbol>> newestSymbols(std::vector<const UserText *> texts, std::size_t limit);

class Adaptation : public QObject
{
    Q_OBJECT

public:
    static constexpr std::size_t kMaxUserSymbols = 200'000;
    // A diary folder file that is read: a text file of at most this size.
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    explicit Adaptation(std::shared_ptr<const KanaModel> base, QObject *parent = nullptr);
    ~Adaptation() override;

    void setWeights(const AdaptationWeights &weights) { m_weights = weights; }
    // Whether the built model was read (without it nothing is predicted).
    bool hasModel() const { return m_base && !m_base->isEmpty(); }

    // Reads the *.txt files of the folder in the background (once; a later
    // call reads another folder instead).
    void readFolder(const QString &diaryFolder);
    // A text the user saved (or sent): it replaces what was counted for the
    // same file; an empty path counts it on its own.
    void takeText(const QString &path, const QString &text);
    // What was learnt is forgotten: the texts taken so far, and every file
    // of the folder last changed before `before` (now and at later starts,
    // when the caller gives the same time again), are no longer counted.
    void forget(const QDateTime &before);
    // Files last changed before this time are not read.
    void setNotBefore(const QDateTime &before) { m_notBefore = before; }

    Distribution next(QStringView before) const;
    Distribution next(const History &history) const;
    std::vector<RankedKey> rank(QStringView before, const std::vector<int> &tags) const;

    // The symbols the user's model holds now.
    std::uint64_t userSymbols() const { return m_user ? m_user->symbolsCounted() : 0; }
    // The pieces of the same texts between phrase ends, counted (never null).
    std::shared_ptr<const Lexicon> lexicon() const { return m_lexicon; }
    const KanaModel &base() const { return *m_base; }
    // A count is running or waiting.
    bool busy() const { return m_running || m_again; }

signals:
    // The user's model was replaced by a newer one.
    void updated();

private:
    void startCount();
    void counted(std::shared_ptr<const NgramTable> user, std::shared_ptr<const Lexicon> lexicon,
                 std::shared_ptr<const std::vector<UserText>> folder, quint64 folderGeneration);

    std::shared_ptr<const KanaModel> m_base;
    std::shared_ptr<const NgramTable> m_user;
    std::shared_ptr<const Lexicon> m_lexicon = std::make_shared<const Lexicon>();
    AdaptationWeights m_weights;
    QDateTime m_notBefore;

    QString m_folder;
    quint64 m_folderGeneration = 0;  // the folder asked for, counted up at each readFolder
    quint64 m_folderReadFor = ~0ull; // the generation m_folderTexts belong to
    std::shared_ptr<const std::vector<UserText>> m_folderTexts;
    QHash<QString, std::pair<QString, QDateTime>> m_saved; // by path, the newest text
    int m_unnamed = 0;

    bool m_running = false;
    bool m_again = false;
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
    QThreadPool m_pool;
};

} // namespace prediction
