#include "photoset/PhotoAdder.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/AddProgress.h"
#include "photoset/CancelToken.h"
#include "photoset/PathRoutines.h"
#include "photoset/clsTray.h"
#include "platform/OrderedWork.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <atomic>
#include <deque>
#include <functional>
#include <optional>

namespace {

// How a file reached the adder; each way has its own rules for the limit,
// the progress count and the description.
enum class Origin
{
    Selected, // the dialog: files beyond the limit are looked at, not added
    Dropped,  // a dropped file: reaching the limit ends the whole drop
    InFolder, // found in a dropped folder: no description
};

struct Step
{
    QString path;
    Origin origin = Origin::Selected;
    // Set when a drop rule turns the item away before it is looked at; it
    // still travels in order so that verdicts come out in the order given.
    AddRefusal skipped = AddRefusal::None;
    bool tellProblem = false; // show message 385 when its turn comes
};

using StepSource = std::function<std::optional<Step>()>;

// Depth first, entries by name (case-insensitively, as the user sees them
// listed), subfolders entered where they fall in that order. Only files
// named like photos are produced. Links to folders are followed, since
// people keep their albums that way, but each real folder is walked once:
// a link that points back up, or two links to one place, cannot make the
// search loop or count a photo twice.
class FolderWalk
{
public:
    explicit FolderWalk(const QString &folder) { enter(folder); }

    std::optional<QString> next()
    {
        while (!m_stack.empty()) {
            Level &level = m_stack.back();
            if (level.position == level.entries.size()) {
                m_stack.pop_back();
                continue;
            }
            const QFileInfo entry = level.entries.at(level.position++);
            if (entry.isDir()) {
                enter(entry.filePath());
            } else if (clsTray::HasPhotoExtension(entry.fileName())) {
                return entry.filePath();
            }
        }
        return std::nullopt;
    }

private:
    struct Level
    {
        QFileInfoList entries;
        qsizetype position = 0;
    };

    void enter(const QString &folder)
    {
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || m_seen.contains(real))
            return;
        m_seen.insert(real);
        const QDir dir(folder);
        m_stack.push_back(
            {dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                               QDir::Name | QDir::IgnoreCase),
             0});
    }

    std::vector<Level> m_stack;
    QSet<QString> m_seen; // canonical paths of the folders entered
};

QString withoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

bool isHttpItem(const QString &item)
{
    return item.startsWith(QLatin1String("HTTP://"), Qt::CaseInsensitive);
}

bool isFolderItem(const QString &item)
{
    return !isHttpItem(item) && QFileInfo(QDir::fromNativeSeparators(item)).isDir();
}

bool inInternetCache(const QString &item)
{
    const QString cache = platform::shellFolder(platform::ShellFolder::InternetCache);
    return !cache.isEmpty() && QDir::fromNativeSeparators(item).contains(cache, Qt::CaseInsensitive);
}

} // namespace

// Examines upcoming files on worker threads, a few ahead of the one being
// committed, and hands the verdicts back strictly in the order of the
// source.
class PhotoAdder::Pipeline
{
public:
    void setThreads(int threads) { m_work.setThreads(threads); }

    Summary run(const StepSource &source, const QString &description, AppState &state, UserPrompt &ui,
                AddProgress &progress, const CancelToken *cancel);

private:
    // The next file in order, its examination possibly still running.
    std::optional<Step> take()
    {
        topUp();
        if (m_steps.empty())
            return std::nullopt;
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        return step;
    }

    // The verdict on the step take() gave last, keeping the window live.
    PhotoCheck verdict(AddProgress &progress)
    {
        const auto check = m_work.takeFront([&progress] {
            progress.processEvents();
            return true;
        });
        topUp();
        return check.value_or(PhotoCheck{});
    }
    // The step take() gave last needs no verdict.
    void skip()
    {
        m_work.dropFront();
        topUp();
    }

    void topUp()
    {
        while (!m_exhausted && m_work.wantsMore()) {
            std::optional<Step> step = m_source();
            if (!step) {
                m_exhausted = true;
                break;
            }
            m_work.push([path = step->path, skipped = step->skipped, full = m_full, token = m_token,
                         uploadSize = m_uploadSize, rule = m_rule] {
                PhotoCheck check;
                check.FilePath = path;
                if (skipped != AddRefusal::None) {
                    check.refusal = skipped;
                } else if (full->load()) {
                    check.refusal = AddRefusal::Limit; // nothing needs examining any more
                } else {
                    try {
                        check = clsTray::CheckPhoto(path, token, uploadSize, rule);
                    } catch (...) {
                        // Out of memory on a giant file, and the like: the
                        // file is skipped, the rest goes on.
                        check = PhotoCheck{};
                        check.FilePath = path;
                        check.refusal = AddRefusal::Unreadable;
                    }
                }
                return check;
            });
            m_steps.push_back(std::move(*step));
        }
    }

    platform::OrderedWork<PhotoCheck> m_work;
    cGDIpToken *m_token = nullptr;
    int m_uploadSize = 0;
    MetadataRule m_rule = MetadataRule::StoryOnly;
    StepSource m_source;
    std::deque<Step> m_steps;
    std::shared_ptr<std::atomic<bool>> m_full;
    bool m_exhausted = false;
};

PhotoAdder::Summary PhotoAdder::Pipeline::run(const StepSource &source, const QString &description,
                                              AppState &state, UserPrompt &ui, AddProgress &progress,
                                              const CancelToken *cancel)
{
    Summary summary;
    clsTray &tray = *state.PhotoTray;
    const auto full = [&] { return tray.Count() >= state.MaxPhotos; };
    const auto refuse = [](const Step &step, AddRefusal why) {
        PhotoCheck check;
        check.FilePath = step.path;
        check.refusal = why;
        return check;
    };

    m_token = state.GdiplusToken;
    m_uploadSize = state.UploadSize;
    m_rule = MetadataRuleFor(state.KeepMetadata);
    m_source = source;
    m_steps.clear();
    m_full = std::make_shared<std::atomic<bool>>(false);
    m_exhausted = false;
    while (const std::optional<Step> next = take()) {
        const Step &step = *next;
        if (step.skipped != AddRefusal::None) {
            skip();
            progress.fileDone(refuse(step, step.skipped));
            if (step.tellProblem)
                funcMessageDisplay(state, ui, MessageNo::FolderOrFileProblem);
            continue;
        }
        if (step.origin == Origin::InFolder && full()) {
            skip();
            progress.fileDone(refuse(step, AddRefusal::Limit));
            summary.full = true;
            break;
        }
        progress.fileLookedAt(JustFileName(step.path));
        ++summary.lookedAt;
        progress.processEvents();
        if (step.origin != Origin::InFolder)
            progress.processEvents();
        if (step.origin == Origin::Dropped && full()) {
            skip();
            progress.fileDone(refuse(step, AddRefusal::Limit));
            summary.full = true;
            break;
        }

        PhotoCheck check;
        if (full()) {
            // Only the dialog gets here: the rest of its files are looked
            // at but no longer examined.
            skip();
            check = refuse(step, AddRefusal::Limit);
            summary.full = true;
        } else {
            check = verdict(progress);
            check.refusal = tray.AddChecked(check, step.origin == Origin::InFolder ? QString() : description);
            if (check.refusal == AddRefusal::None)
                ++summary.added;
        }
        if (full())
            m_full->store(true);
        progress.fileDone(check);

        if (cancel && cancel->cancelled()) {
            progress.processEvents();
            summary.cancelled = true;
            break;
        }
    }
    m_work.abandon([&progress] { progress.processEvents(); });
    m_steps.clear();
    m_source = nullptr;
    return summary;
}

PhotoAdder::PhotoAdder(AppState &state, UserPrompt &ui, AddProgress &progress, const CancelToken *cancel)
    : m_pipeline(std::make_unique<Pipeline>()), m_state(state), m_ui(ui), m_progress(progress),
      m_cancel(cancel)
{
}

PhotoAdder::~PhotoAdder() = default;

void PhotoAdder::setParallelism(int threads)
{
    m_pipeline->setThreads(threads);
}

PhotoAdder::Summary PhotoAdder::Browse(const QString &description)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Select Photos");
    request.initialFolder = platform::shellFolder(platform::ShellFolder::Desktop);
    request.filter = QStringLiteral("Image Files (*.jpg;*.jpeg;*.gif;*.png)|*.jpg;*.jpeg;*.gif;*.png");
    request.multiSelect = true;
    const QStringList files = m_ui.openFiles(request);
    if (files.isEmpty())
        return {};
    return AddSelected(files, description);
}

PhotoAdder::Summary PhotoAdder::AddSelected(const QStringList &files, const QString &description)
{
    if (files.isEmpty())
        return {};
    if (files.size() > m_state.MaxPhotos) {
        const bool wasOpen = m_state.ModalFormOpen;
        m_state.ModalFormOpen = true;
        m_ui.systemMessage(QStringLiteral("You cannot flazz more than 100 photos at a time."),
                           MsgStyle::Information, QStringLiteral("Flazz"));
        m_state.ModalFormOpen = wasOpen;
        return {};
    }
    qsizetype next = 0;
    m_progress.open();
    const Summary summary = m_pipeline->run(
        [&]() -> std::optional<Step> {
            if (next == files.size())
                return std::nullopt;
            return Step{files.at(next++), Origin::Selected};
        },
        description, m_state, m_ui, m_progress, m_cancel);
    m_progress.close();
    return summary;
}

PhotoAdder::Summary PhotoAdder::AddDropped(const QStringList &items, const QString &description)
{
    if (items.isEmpty())
        return {};
    m_progress.open();

    const bool single = items.size() == 1;
    const bool heldPhotos = m_state.PhotoTray->Count() > 0;
    qsizetype next = 0;
    std::optional<FolderWalk> walk;
    const StepSource source = [&]() -> std::optional<Step> {
        for (;;) {
            if (walk) {
                if (std::optional<QString> file = walk->next())
                    return Step{*file, Origin::InFolder};
                walk.reset();
            }
            if (next == items.size())
                return std::nullopt;
            const QString item = items.at(next++);
            if (isFolderItem(item)) {
                walk.emplace(withoutTrailingSeparators(QDir::fromNativeSeparators(item)));
                continue;
            }
            // Files the browser keeps in its cache are pages' parts, not
            // the user's photos; and a single dropped file that is plainly
            // no photo is answered at once instead of being looked at.
            const bool cached = inInternetCache(item);
            if (cached || (single && !clsTray::HasPhotoExtension(item)))
                return Step{item, Origin::Dropped, cached ? AddRefusal::NotImage : AddRefusal::Extension,
                            single && heldPhotos};
            return Step{item, Origin::Dropped};
        }
    };
    const Summary summary = m_pipeline->run(source, description, m_state, m_ui, m_progress, m_cancel);

    m_progress.close();
    if (m_state.PhotoTray->Count() == 0)
        funcMessageDisplay(m_state, m_ui, MessageNo::FolderOrFileProblem);
    return summary;
}
