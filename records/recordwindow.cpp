#include "records/recordwindow.h"

#include "binding/datacontrol.h"
#include "binding/namefield.h"
#include "data/picklist.h"
#include "data/rows/module1.h"
#include "data/rows/recordsource.h"
#include "data/sqltext.h"
#include "kit/bannertext.h"
#include "kit/childwindow.h"
#include "kit/clockbanner.h"
#include "kit/dialogs.h"
#include "kit/steps.h"
#include "records/copybanner.h"
#include "records/pickcombo.h"
#include "records/querytext.h"
#include "records/recordlook.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace tavro {

namespace {

const QString kUnlockPrompt = QStringLiteral("Entrer le Mot de Pass svp ");
const QString kWrongPassword = QStringLiteral("Mot de Pass incorect");
const QString kSaved = QStringLiteral("ENREGISTREMENT AVEC SUCCES");
const QString kSavedTitle = QStringLiteral("ENREGISTREMENT");
const QString kConfirmDelete = QStringLiteral("Veuillez confirmer la suppression du fichier");
const QString kConfirmDeleteTitle = QStringLiteral("Attention");
const QString kDeleted = QStringLiteral("Suppression confirmée");
const QString kUnsavedTitle = QStringLiteral("Saisie non enregistrée");
const QString kUnsaved = QStringLiteral("Les modifications de l'enregistrement affiché n'ont pas été enregistrées.");
const QString kUnsavedQuestion = QStringLiteral("Voulez-vous réessayer l'enregistrement, ne pas tenir compte de la "
                                                "saisie et %1 (elle sera perdue), ou annuler pour la garder à l'écran ?");
const QString kClosing = QStringLiteral("fermer la fenêtre");
const QString kSearching = QStringLiteral("afficher les nouvelles lignes");
const QString kStillWriting = QStringLiteral("Enregistrement en cours : l'écriture prend plus de temps que d'habitude.\n"
                                             "Veuillez patienter, la saisie est gardée.");
// How often a window tries again what it could not read from busy data.
constexpr int kRetryMs = 1500;

// The bound fields are as wide as this many average letters of their face,
// enough for a principal office or a telephone number; names wrap instead.
constexpr int kFieldLetters = 22;

} // namespace

RecordWindow::RecordWindow(const RecordWindowSpec &spec, QWidget *parent)
    : QWidget(parent)
    , m_spec(spec)
{
    look::paintWindow(this);

    // On a screen narrower or lower than the window needs, the window
    // scrolls rather than pushing its right side or its foot out of reach.
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus); // no tab stop of its own
    auto *page = new QWidget(scroll);
    auto *whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(scroll);

    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(8, 6, 8, 8);
    outer->setSpacing(6);
    buildTopRow();
    outer->addWidget(m_topRow);

    m_body = new QWidget(this);
    auto *body = new QHBoxLayout(m_body);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(10);
    // The data control comes first: the display frame's fields bind to it.
    QWidget *middle = buildMiddleColumn();
    m_copyBanner->watch(m_control->source(), this);
    QGroupBox *display = buildDisplayFrame();
    body->addWidget(display, 0, Qt::AlignTop);
    body->addWidget(middle, 1);

    auto *right = new QVBoxLayout;
    right->setSpacing(10);
    // The side frames take the width their contents need; the grid the rest.
    m_searchFrame = makeFrame(spec.searchFrame, QStringLiteral("RECHERCHE"), spec.silverFrames);
    m_searchFrame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    right->addWidget(m_searchFrame);
    QPushButton *close =
        makeButton(this, {QStringLiteral("cmdfermer"), QStringLiteral("&Fermer"), {}}, QStringLiteral(":/pictures/close.png"));
    connect(close, &QPushButton::clicked, this, &RecordWindow::closeWindow);
    right->addWidget(close, 0, Qt::AlignRight);
    right->addStretch(1);
    body->addLayout(right);
    outer->addWidget(m_body, 1);
    scroll->setWidget(page);

    putGridFirst();
}

void RecordWindow::putGridFirst()
{
    // The grid heads the tab order and holds the focus when the window opens;
    // what a window adds to its search frame later follows at the end.
    QWidget *previous = m_grid->view();
    const QList<QWidget *> widgets = findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (w == m_grid->view() || w->focusProxy() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        setTabOrder(previous, w);
        previous = w;
    }
    m_grid->view()->setFocus();
}

void RecordWindow::buildTopRow()
{
    m_topRow = new QWidget(this);
    auto *row = new QHBoxLayout(m_topRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(look::picture(m_topRow, QStringLiteral("Picture1"), QStringLiteral(":/pictures/logo.jpg"), {80, 89}), 0,
                   Qt::AlignTop);
    row->addStretch(1);

    auto *centre = new QVBoxLayout;
    centre->setSpacing(8);
    m_banner = new ClockBanner(m_topRow, QStringLiteral("Label7"), kRecordBannerOpening, 1440, 120);
    m_banner->setFixedSize(m_banner->size());
    centre->addWidget(m_banner, 0, Qt::AlignHCenter);
    auto *title = new QLabel(m_spec.titleText, m_topRow);
    title->setObjectName(m_spec.titleName);
    look::paintTitle(title);
    centre->addWidget(title, 0, Qt::AlignHCenter);
    m_copyBanner = new CopyBanner(m_topRow);
    centre->addWidget(m_copyBanner, 0, Qt::AlignHCenter);
    centre->addStretch(1);
    row->addLayout(centre);

    row->addStretch(1);
    row->addWidget(look::picture(m_topRow, QStringLiteral("Picture2"), QStringLiteral(":/pictures/picture2.jpg"), {160, 120}), 0,
                   Qt::AlignTop);
}

QGroupBox *RecordWindow::buildDisplayFrame()
{
    m_displayFrame = makeFrame(m_spec.displayFrame, QStringLiteral("AFFICHAGE"), false);
    m_displayFrame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *grid = new QGridLayout(m_displayFrame);
    grid->setContentsMargins(10, 14, 10, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(12);
    // One width for every window, whatever its face.
    const int fieldWidth = QFontMetrics(look::font(9.75)).averageCharWidth() * kFieldLetters;
    int row = 0;
    for (const RecordWindowSpec::Field &f : m_spec.fields) {
        auto *label = new QLabel(f.caption, m_displayFrame);
        label->setObjectName(f.labelName);
        look::setFont(label, m_spec.labelPointSize);
        QWidget *field = nullptr;
        if (f.tall) {
            auto *name = new NameField(f.editName, m_spec.nameLines, m_displayFrame);
            m_control->bindField(name, f.column);
            field = name;
        } else {
            auto *edit = new QLineEdit(m_displayFrame);
            edit->setObjectName(f.editName);
            m_control->bindField(edit, f.column);
            field = edit;
        }
        look::paintBoundField(field, f.large ? m_spec.largePointSize : m_spec.fieldPointSize);
        field->setMinimumWidth(fieldWidth);
        label->setBuddy(field);
        grid->addWidget(label, row, 0, Qt::AlignRight | (f.tall ? Qt::AlignTop : Qt::AlignVCenter));
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    // Locked until the edit password is given.
    m_displayFrame->setEnabled(false);
    return m_displayFrame;
}

QWidget *RecordWindow::buildMiddleColumn()
{
    auto *middle = new QWidget(m_body);
    auto *column = new QVBoxLayout(middle);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    m_control = new DataControl(middle);
    // The data control's own box: the only report of a failed query or write.
    connect(m_control, &DataControl::failed, this, [this](const Status &failure) { reportFailure(this, failure); });
    m_grid = new DataGrid(m_control, m_spec.columns, middle);
    m_grid->setCaption(m_spec.gridCaption);
    look::paintGrid(m_grid, m_spec.smallPointSize);
    column->addWidget(m_grid, 1);
    column->addWidget(m_control);
    // Over the grid while a save takes long; the window never sits silent.
    auto *notice = new QLabel(kStillWriting, this);
    notice->setObjectName(QStringLiteral("writingNotice"));
    look::paintNotice(notice, m_spec.labelPointSize);
    notice->hide();
    connect(m_control, &DataControl::writingSlowly, notice, [this, notice](bool slow) {
        const QRect grid(m_grid->mapTo(this, QPoint()), m_grid->size());
        notice->setFixedWidth(qMin(grid.width() - 16, 560));
        notice->adjustSize();
        notice->move(grid.center() - notice->rect().center());
        notice->raise();
        notice->setVisible(slow);
    });

    auto *handling = makeFrame(m_spec.handlingFrame, m_spec.handlingCaption, m_spec.silverFrames);
    auto *hRow = new QHBoxLayout(handling);
    QPushButton *unlockButton = makeButton(handling, m_spec.unlock, QStringLiteral(":/pictures/unlock.png"));
    QPushButton *countButton = makeButton(handling, m_spec.count);
    QPushButton *showAllButton = makeButton(handling, m_spec.showAll);
    for (QPushButton *b : {unlockButton, countButton, showAllButton})
        hRow->addWidget(b);
    connect(unlockButton, &QPushButton::clicked, this, &RecordWindow::unlock);
    connect(countButton, &QPushButton::clicked, this, &RecordWindow::showCount);
    connect(showAllButton, &QPushButton::clicked, this, &RecordWindow::showAll);
    column->addWidget(handling);

    m_modificationFrame = makeFrame(m_spec.modificationFrame, m_spec.modificationCaption, m_spec.silverFrames);
    auto *mRow = new QHBoxLayout(m_modificationFrame);
    QPushButton *newButton = makeButton(m_modificationFrame, m_spec.addNew, QStringLiteral(":/pictures/new.png"));
    QPushButton *deleteButton = makeButton(m_modificationFrame, m_spec.remove, QStringLiteral(":/pictures/delete.png"));
    QPushButton *saveButton = makeButton(m_modificationFrame, m_spec.save);
    for (QPushButton *b : {newButton, deleteButton, saveButton})
        mRow->addWidget(b);
    connect(newButton, &QPushButton::clicked, this, &RecordWindow::addNew);
    connect(saveButton, &QPushButton::clicked, this, &RecordWindow::save);
    connect(deleteButton, &QPushButton::clicked, this, &RecordWindow::deleteCurrent);
    m_modificationFrame->setVisible(false);
    column->addWidget(m_modificationFrame);
    return middle;
}

QGroupBox *RecordWindow::makeFrame(const QString &name, const QString &caption, bool silver)
{
    auto *frame = new QGroupBox(caption, this);
    frame->setObjectName(name);
    look::paintFrame(frame, silver);
    return frame;
}

QPushButton *RecordWindow::makeButton(QWidget *parent, const RecordWindowSpec::Button &b, const QString &picture)
{
    auto *button = new QPushButton(b.caption, parent);
    button->setObjectName(b.name);
    button->setToolTip(b.toolTip);
    look::paintButton(button, m_spec.smallPointSize, picture);
    return button;
}

QPushButton *RecordWindow::makeSearchButton(const QString &name, const QString &caption, const QString &toolTip)
{
    QPushButton *button = makeButton(m_searchFrame, {name, caption, toolTip});
    // The search frame is as narrow as its widest button: keep its caption off the edges.
    button->setMinimumWidth(button->sizeHint().width() + 12);
    return button;
}

PickCombo *RecordWindow::makePickList(const RecordWindowSpec::Button &list)
{
    auto *combo = new PickCombo(list.name, list.caption, list.toolTip, m_searchFrame);
    look::setFont(combo, m_spec.smallPointSize);
    return combo;
}

PickCombo *RecordWindow::buildListAndSearches(const RecordWindowSpec::Button &list, const QueryFragments &pick,
                                              const QList<InputSearch> &searches)
{
    auto *column = new QVBoxLayout(m_searchFrame);
    column->setContentsMargins(10, 16, 10, 12);
    column->setSpacing(12);
    // The list's caption is also its text after a choice.
    PickCombo *combo = makePickList(list);
    column->addWidget(combo);
    connectPick(combo, pick, list.caption);
    for (const InputSearch &search : searches) {
        QPushButton *button = makeSearchButton(search.button.name, search.button.caption, search.button.toolTip);
        column->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, search] { searchByInput(search.prompt, *search.fragments); });
    }
    column->addStretch(1);
    return combo;
}

void RecordWindow::load()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    m_control->setRecordSource(m_spec.initialQuery);
    Status shown;
    runStep([&] { shown = m_control->refresh(); });
    // The rows waited once for a file another program holds and the box has
    // said so: the lists are not waited for again, one by one.
    if (shown.fault() == Fault::Busy) {
        m_gridPending = m_listsPending = true;
    } else {
        m_listBusy = false;
        runStep([this] { loadPickLists(); });
        m_listsPending = m_listBusy;
    }
    if (m_gridPending) {
        // Rows the clerk asked for meanwhile (a search, AFFICHER TOUT) are
        // what the window shows: the opening query is not read over them.
        connect(m_control->source(), &RecordSource::refreshed, this, [this] { m_gridPending = false; });
    }
    if (m_gridPending || m_listsPending) {
        m_retry = new QTimer(this);
        m_retry->setInterval(kRetryMs);
        connect(m_retry, &QTimer::timeout, this, &RecordWindow::retryLoading);
        m_retry->start();
    }
}

void RecordWindow::retryLoading()
{
    // In the background: nothing waits, nothing is said; never while a tick
    // or a write is under way.
    if (m_retrying || m_control->isWriting())
        return;
    const QScopedValueRollback<bool> once(m_retrying, true);
    // Never over typing: rows read again would replace it unasked. The rows
    // wait for a tick that finds none; the lists, which hold no typing, do not.
    const bool typing = m_control->hasTypedChanges() || m_control->source()->hasPendingChanges();
    if (m_gridPending && !typing) {
        if (!m_control->source()->refresh(Wait::No))
            return;
        m_gridPending = false;
    }
    if (m_listsPending) {
        const QList<PickCombo *> lists = findChildren<PickCombo *>();
        for (PickCombo *combo : lists)
            combo->clearItems();
        m_listWait = Wait::No;
        m_listBusy = false;
        runStep([this] { loadPickLists(); });
        m_listWait = Wait::ForBusy;
        if (m_listBusy) {
            for (PickCombo *combo : lists)
                combo->clearItems();
            return;
        }
        m_listsPending = false;
    }
    // Everything that could not be read is there: for good.
    if (!m_gridPending && !m_listsPending)
        m_retry->stop();
}

bool RecordWindow::isUnlocked() const
{
    return m_displayFrame->isEnabledTo(this) && !m_modificationFrame->isHidden();
}

void RecordWindow::runQuery(const QString &sql)
{
    // New rows replace the shown ones: typing not saved yet is written first,
    // as a move does. If it cannot be, the clerk retries, gives it up, or
    // keeps it on screen with the rows it belongs to; never lost unasked.
    if (!settlePendingTyping(kSearching))
        return;
    // The data control reports a failed query itself; the handler goes on.
    runStep([&] {
        m_control->setRecordSource(sql);
        m_control->refresh();
    });
}

void RecordWindow::fillPickList(PickCombo *combo, const QString &sql, const QString &column)
{
    if (m_listBusy)
        return; // the data are busy: every list is read again later
    Status connected;
    runStep([&] { connected = Module1::connect(m_listWait); });
    // A list that fails part-way keeps what it read; loading goes on, silently.
    PickListRead read;
    runStep([&] { read = readPickList(Module1::connection(), sql, column); });
    m_listBusy = connected.fault() == Fault::Busy || read.status.fault() == Fault::Busy;
    combo->appendItems(read.items);
}

void RecordWindow::connectPick(PickCombo *combo, const QueryFragments &fragments, const QString &textAfter)
{
    connect(combo, &PickCombo::chosen, this, [this, combo, fragments, textAfter](const QString &item) {
        runStep([] { Module1::connect(); });
        runQuery(fragments.with(item));
        combo->setEditText(textAfter);
    });
}

void RecordWindow::searchByInput(const QString &prompt, const QueryFragments &fragments)
{
    // The box takes whatever an input method or a paste sends.
    const QString typed = withoutControlCharacters(Dialogs::current().input(this, prompt, applicationTitle()));
    runQuery(fragments.with(typed));
}

void RecordWindow::unlock()
{
    if (m_copyBanner->refusesSaving())
        return;
    const QString typed = Dialogs::current().input(this, kUnlockPrompt, applicationTitle());
    if (!isEditPassword(typed)) {
        // A wrong password never locks a window that is already unlocked.
        inform(this, kWrongPassword);
        return;
    }
    m_displayFrame->setEnabled(true);
    m_modificationFrame->setVisible(true);
}

void RecordWindow::addNew()
{
    if (m_copyBanner->refusesSaving())
        return;
    runStep([this] { m_control->addNew(); });
}

void RecordWindow::save()
{
    if (m_copyBanner->refusesSaving())
        return;
    // Success is announced only when the row reached the file; otherwise the
    // data control has said why, and the typed values stay in the fields.
    bool written = false;
    runStep([&] { written = m_control->update().ok(); });
    if (!written)
        return;
    Dialogs::current().message(this, {.text = kSaved, .title = kSavedTitle, .rightToLeft = true});
}

void RecordWindow::deleteCurrent()
{
    if (m_copyBanner->refusesSaving())
        return;
    const MessageSpec confirm{.text = kConfirmDelete,
                              .title = kConfirmDeleteTitle,
                              .buttons = MsgButtons(Yes) | No,
                              .icon = MsgIcon::Critical,
                              .defaultButton = No};
    if (Dialogs::current().message(this, confirm) != Yes)
        return;
    bool removed = false;
    runStep([&] { removed = m_control->deleteCurrent().ok(); });
    if (removed)
        inform(this, kDeleted);
}

void RecordWindow::showCount()
{
    // A file that never opened is explained by the data control, never counted as 0.
    std::optional<qint64> count;
    runStep([&] {
        if (const Result<qint64> counted = m_control->recordCount())
            count = *counted;
    });
    if (count)
        inform(this, QString::number(*count));
}

void RecordWindow::showAll()
{
    runQuery(m_spec.showAllQuery);
}

void RecordWindow::closeWindow()
{
    closeChildWindow(this);
}

bool RecordWindow::settlePendingTyping(const QString &goingOn)
{
    while (m_control->hasTypedChanges()) {
        Status written = Status::failure(QStringLiteral("La saisie n'a pas pu être enregistrée."));
        runStep([&] { written = m_control->writeTyping(); });
        if (written)
            return true;
        const Status unsaved = Status::failure(written.fault(), kUnsaved, written.message()).withDetail(written.detail());
        switch (askAfterFailure(this, unsaved, kUnsavedQuestion.arg(goingOn), kUnsavedTitle, MsgButtons(Retry) | Discard | Cancel,
                                Cancel)) {
        case Retry:
            continue;
        case Discard:
            m_control->discardTyping();
            return true;
        default:
            return false;
        }
    }
    return true;
}

KeptTyping RecordWindow::keptTyping() const
{
    KeptTyping kept = m_control->typing();
    kept.window = objectName();
    kept.query = m_control->source()->recordSource();
    return kept;
}

RecordWindow::Restored RecordWindow::restoreTyping(const KeptTyping &kept)
{
    if (!isUnlocked())
        unlock();
    if (!isUnlocked())
        return Restored::NoPassword;
    runQuery(kept.query);
    if (kept.newRow) {
        addNew();
    } else {
        const int row = m_control->findRow(kept);
        if (row < 0 || !m_control->source()->moveTo(row))
            return Restored::RowGone;
    }
    m_control->retype(kept);
    return Restored::Yes;
}

void RecordWindow::closeEvent(QCloseEvent *event)
{
    if (settlePendingTyping(kClosing))
        event->accept();
    else
        event->ignore();
}

} // namespace tavro
