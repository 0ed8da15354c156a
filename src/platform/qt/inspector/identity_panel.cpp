// The Identity panel: the DAT files the person keeps (remembered), and what the subject and its views match in them.
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <memory>

#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_services.h"
#include "platform/qt/inspector/panel.h"
#include "platform/qt/inspector/subject.h"
#ifdef VESPERINE_HAVE_DAT
#include "dat/dat_reader.h"
#include "dat/identify.h"
#endif

namespace vesperine::qt::inspector {

namespace {

#ifdef VESPERINE_HAVE_DAT

const char* const kDatsKey = "inspector/dats";

// Thrown from Identify's progress report to break it off: it has no break of its own.
struct BrokenOff {};

QString RomText(const dat::RomEntry& rom) {
    return QStringLiteral("%1 / %2 (%3)")
        .arg(QString::fromStdString(rom.game), QString::fromStdString(rom.name),
             QString::fromLatin1(dat::RomStatusName(rom.status)));
}

class IdentityPanel final : public InspectorPanel {
public:
    explicit IdentityPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        auto* datRow = new QHBoxLayout;
        dats_ = new QListWidget(this);
        dats_->setObjectName(QStringLiteral("datList"));
        dats_->setMaximumHeight(110);
        dats_->addItems(QSettings().value(QString::fromLatin1(kDatsKey)).toStringList());
        auto* buttons = new QVBoxLayout;
        auto* add = new QPushButton(QStringLiteral("&Add DAT..."), this);
        add->setObjectName(QStringLiteral("addDat"));
        remove_ = new QPushButton(QStringLiteral("Remo&ve DAT"), this);
        remove_->setObjectName(QStringLiteral("removeDat"));
        // Only what the person chose is removed: nothing chosen, nothing to remove.
        remove_->setEnabled(false);
        buttons->addWidget(add);
        buttons->addWidget(remove_);
        buttons->addStretch(1);
        datRow->addWidget(dats_, 1);
        datRow->addLayout(buttons);
        summary_ = new QLabel(this);
        summary_->setWordWrap(true);
        summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        matches_ = new CopyTable(
            {QStringLiteral("View"), QStringLiteral("Result"), QStringLiteral("ROM"), QStringLiteral("Details")}, this);
        auto* datLabel = new QLabel(QStringLiteral("DA&T files (remembered):"), this);
        datLabel->setBuddy(dats_);
        layout->addWidget(datLabel);
        layout->addLayout(datRow);
        layout->addWidget(summary_);
        layout->addWidget(matches_, 1);
        connect(add, &QPushButton::clicked, this, [this] {
            if (const auto path = this->services().ChooseOpenFile())
                ChangeDats([&] { dats_->addItem(ShownPath(*path)); });
        });
        connect(dats_, &QListWidget::itemSelectionChanged, this,
                [this] { remove_->setEnabled(!dats_->selectedItems().isEmpty()); });
        connect(remove_, &QPushButton::clicked, this, [this] {
            const QList<QListWidgetItem*> chosen = dats_->selectedItems();
            if (chosen.isEmpty()) return;
            ChangeDats([&] {
                delete dats_->takeItem(dats_->row(chosen.front()));
                // The list would choose a neighbour by itself: the next removal waits for a choice.
                dats_->setCurrentItem(nullptr);
                dats_->clearSelection();
            });
        });
    }

    void Present(const Subject* subject) override {
        matches_->SetRows({});
        summary_->clear();
        if (!subject) return;
        if (dats_->count() == 0) {
            summary_->setText(
                QStringLiteral("Add a DAT file (Logiqx XML, the bracketed form or a zip of them) to "
                               "identify the dump and its views by it."));
            return;
        }
        if (!index_ && !LoadIndex()) return;
        const std::span<const std::uint8_t> bytes(subject->bytes.data(), subject->bytes.size());
        // Near misses by name go by the file's own name, never the chooser's label ("Base file:
        // ..."); a dump cut by the dialog has no name of its own.
        const std::string fileName =
            subject->dialogDump || subject->path.empty()
                ? std::string()
                : QFile::encodeName(QFileInfo(ShownPath(subject->path)).fileName()).toStdString();
        dat::Identification found;
        bool broken = false;
        if (!this->services().RunTask(QStringLiteral("Identifying"),
                                      [&](const ProgressPoll& poll) {
                                          try {
                                              found = dat::Identify(
                                                  bytes, fileName, *index_, true,
                                                  [&poll](std::uint64_t done, std::uint64_t all) {
                                                      if (poll(Progress{ProgressUnit::Windows, done, all}))
                                                          throw BrokenOff{};
                                                  });
                                          } catch (const BrokenOff&) {
                                              broken = true;
                                          }
                                      }) ||
            broken)
            return;
        Fill(found);
    }

private:
    template <typename Change>
    void ChangeDats(const Change& change) {
        change();
        index_.reset();
        // At once, not when a subject is next shown: a file that is not a DAT is told now, and
        // is never remembered.
        LoadIndex();
        ShowSubject(subject());
    }

    void RememberDats() {
        QStringList paths;
        for (int k = 0; k < dats_->count(); ++k) paths << dats_->item(k)->text();
        QSettings().setValue(QString::fromLatin1(kDatsKey), paths);
    }

    // Reads every DAT listed into one index. A file that cannot be read, or is not a DAT, is
    // told, taken off the list and no longer remembered.
    bool LoadIndex() {
        const QString dropped = QStringLiteral("It is taken off the DAT files and no longer remembered.");
        std::vector<dat::RomEntry> roms;
        for (int k = 0; k < dats_->count();) {
            const QString shown = dats_->item(k)->text();
            std::optional<ByteBuffer> bytes =
                this->services().ReadFile(QFile::encodeName(shown).toStdString(), dropped);
            std::optional<dat::DatParse> parse;
            if (bytes) {
                parse = dat::ReadDat(std::span<const std::uint8_t>(bytes->data(), bytes->size()));
                if (parse->error)
                    this->services().Tell(
                        QStringLiteral("%1 is not a DAT file: %2\n%3")
                            .arg(shown, QString::fromStdString(dat::DescribeDatError(*parse->error)), dropped));
            }
            if (!parse || parse->error) {
                delete dats_->takeItem(k);
                continue;
            }
            roms.insert(roms.end(), std::make_move_iterator(parse->roms.begin()),
                        std::make_move_iterator(parse->roms.end()));
            ++k;
        }
        RememberDats();
        index_ = std::make_unique<dat::DatIndex>(std::move(roms));
        return true;
    }

    void Fill(const dat::Identification& found) {
        const auto& roms = index_->roms();
        std::vector<QStringList> rows;
        for (const dat::ViewMatch& match : found.matches) {
            QStringList verified;
            for (const std::string& digest : match.verified) verified << QString::fromStdString(digest);
            rows.push_back({QString::fromStdString(match.view), QStringLiteral("\u2714 match"),
                            RomText(roms[match.rom]),
                            QStringLiteral("verified: ") + verified.join(QStringLiteral(", "))});
        }
        for (const dat::NearMiss& miss : found.nearMisses)
            rows.push_back({QString::fromStdString(miss.view), QStringLiteral("\u2248 near miss"),
                            RomText(roms[miss.rom]), QString::fromStdString(miss.reason)});
        matches_->SetRows(rows);
        summary_->setText(QStringLiteral("%1 and %2 among %3.")
                              .arg(Counted(found.matches.size(), "match", "matches"),
                                   Counted(found.nearMisses.size(), "near miss", "near misses"),
                                   Counted(roms.size(), "ROM", "ROMs")));
    }

    QListWidget* dats_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* summary_ = nullptr;
    CopyTable* matches_ = nullptr;
    std::unique_ptr<dat::DatIndex> index_;
};

#else

// A build without the DAT module (VESPERINE_CLI=OFF) says so in the panel's place.
class IdentityPanel final : public InspectorPanel {
public:
    explicit IdentityPanel(InspectorServices& services) : InspectorPanel(services) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("Identification by DAT files is not built into this program "
                                                    "(it was built with VESPERINE_CLI=OFF)."),
                                     this));
    }
    void Present(const Subject* /*subject*/) override {}
};

#endif

}  // namespace

InspectorPanel* MakeIdentityPanel(InspectorServices& services) { return new IdentityPanel(services); }

}  // namespace vesperine::qt::inspector
