#include "binding/datacontrol.h"

#include "binding/namefield.h"
#include "binding/textentry.h"
#include "data/database/database.h"
#include "data/rows/recordsource.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace tavro {

namespace {

enum class Arrow { First, Previous, Next, Last };

// The bar's four arrows, drawn here: a triangle, with a stop bar at either end.
QIcon arrowIcon(Arrow arrow)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const bool left = arrow == Arrow::First || arrow == Arrow::Previous;
    QPolygonF triangle;
    if (left)
        triangle << QPointF(5, 8) << QPointF(12, 3) << QPointF(12, 13);
    else
        triangle << QPointF(11, 8) << QPointF(4, 3) << QPointF(4, 13);
    p.drawPolygon(triangle);
    if (arrow == Arrow::First)
        p.drawRect(QRectF(2.5, 3, 2, 10));
    if (arrow == Arrow::Last)
        p.drawRect(QRectF(11.5, 3, 2, 10));
    return QIcon(pixmap);
}

// How long a write runs before the window says it is still writing.
constexpr int kSlowWriteMs = 3000;

// While a write runs, the clerk's input goes nowhere: mouse, keys,
// shortcuts, input methods, drops and the window manager's close button.
// Drawing, timers and signals go on.
class InputBlock final : public QObject {
public:
    InputBlock() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputBlock() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            event->accept(); // no shortcut fires from the key either
            return true;
        case QEvent::Close:
            if (!event->spontaneous())
                return false;
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

struct DataControl::Binding {
    QPointer<QLineEdit> line;
    QPointer<NameField> box;
    QString column;
    bool refusedTyping = false; // typed while the result had no place for it
    bool showing = false;       // the control, not the user, is changing the text

    bool alive() const { return line || box; }
    QString text() const { return line ? line->text() : box->value(); }
    void show(const QString &value)
    {
        showing = true;
        if (line) {
            line->setText(value);
            line->setCursorPosition(0);
        } else {
            box->setValue(value);
        }
        showing = false;
    }
};

DataControl::DataControl(QWidget *parent)
    : QWidget(parent)
    , m_source(new RecordSource(this))
    , m_caption(new QLabel(this))
{
    setObjectName(QStringLiteral("Adodc1"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto addButton = [&](const char *name, Arrow arrow, const QString &tip, void (RecordSource::*move)()) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIcon(arrowIcon(arrow));
        b->setToolTip(tip);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        // Held down, the step buttons keep stepping, as the old bar did.
        b->setAutoRepeat(arrow == Arrow::Previous || arrow == Arrow::Next);
        connect(b, &QToolButton::clicked, m_source, move);
        layout->addWidget(b);
    };
    addButton("First", Arrow::First, QStringLiteral("Premier enregistrement"), &RecordSource::moveFirst);
    addButton("Previous", Arrow::Previous, QStringLiteral("Enregistrement précédent"), &RecordSource::movePrevious);
    // The control's caption, empty in every window.
    m_caption->setObjectName(QStringLiteral("Caption"));
    m_caption->setFrameShape(QFrame::Panel);
    m_caption->setFrameShadow(QFrame::Sunken);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setMinimumWidth(40);
    layout->addWidget(m_caption, 1);
    addButton("Next", Arrow::Next, QStringLiteral("Enregistrement suivant"), &RecordSource::moveNext);
    addButton("Last", Arrow::Last, QStringLiteral("Dernier enregistrement"), &RecordSource::moveLast);

    connect(m_source, &RecordSource::currentRowChanged, this, &DataControl::showCurrent);
    connect(m_source, &RecordSource::refreshed, this, &DataControl::showCurrent);
    connect(m_source, &QAbstractItemModel::dataChanged, this, &DataControl::showCurrent);
    connect(m_source, &RecordSource::moveFailed, this, &DataControl::report);
    m_source->setWriteRunner([this](const std::function<Status()> &write) { return runWrite(write); });
}

Status DataControl::runWrite(const std::function<Status()> &write)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const InputBlock block;
    m_writing = true;
    Status written;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&] { written = write(); }));
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer slow;
    slow.setSingleShot(true);
    connect(&slow, &QTimer::timeout, this, [this] { Q_EMIT writingSlowly(true); });
    thread->start();
    slow.start(kSlowWriteMs);
    // The window is drawn, and says so if it lasts; the result comes back
    // here. Should the program be ending meanwhile, the write still ends
    // before anything else is done.
    loop.exec();
    thread->wait();
    if (!slow.isActive())
        Q_EMIT writingSlowly(false);
    m_writing = false;
    QApplication::restoreOverrideCursor();
    return written;
}

DataControl::~DataControl() = default;

DataControl::Binding *DataControl::addBinding(QWidget *field, const QString &column)
{
    auto binding = std::make_unique<Binding>();
    binding->line = qobject_cast<QLineEdit *>(field);
    binding->box = qobject_cast<NameField *>(field);
    binding->column = column;
    m_bindings.push_back(std::move(binding));
    return m_bindings.back().get();
}

void DataControl::bindField(QLineEdit *field, const QString &column)
{
    Binding *b = addBinding(field, column);
    // A stored text is held whole, however long: the toolkit's default limit
    // of 32,767 characters would cut it at the first edit.
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setValidator(new PlainTextValidator(field));
    // textEdited: the user's typing only, not the control filling the field.
    connect(field, &QLineEdit::textEdited, this, [this, b](const QString &text) { fieldEdited(b, text); });
    showCurrent();
}

void DataControl::bindField(NameField *field, const QString &column)
{
    Binding *b = addBinding(field, column);
    // The box has no signal for typing alone: its own filling is set apart.
    connect(field, &NameField::textChanged, this, [this, b] {
        if (!b->showing)
            fieldEdited(b, b->text());
    });
    showCurrent();
}

void DataControl::showCurrent()
{
    const int row = m_source->currentRow();
    for (const auto &b : m_bindings) {
        if (!b->alive())
            continue;
        const QString text = row >= 0 ? m_source->text(row, b->column) : QString();
        // Only a field whose text differs is rewritten, so a field being
        // typed into keeps its cursor.
        if (b->text() != text)
            b->show(text);
        b->refusedTyping = false;
    }
}

void DataControl::fieldEdited(Binding *binding, const QString &text)
{
    const int row = m_source->currentRow();
    const int column = m_source->columnIndex(binding->column);
    if (row < 0 || column < 0 || !m_source->setData(m_source->index(row, column), text))
        binding->refusedTyping = true;
}

void DataControl::setRecordSource(const QString &sql)
{
    m_source->setRecordSource(sql);
}

Status DataControl::refresh()
{
    // Typing not saved yet is the window's to settle before it asks for new
    // rows (RecordWindow::settlePendingTyping); whatever is left goes with
    // the old rows.
    return report(m_source->refresh());
}

Result<qint64> DataControl::recordCount()
{
    if (!m_source->isOpen())
        return report(nothingToCount(Database(m_source->database()).place()));
    return m_source->recordCount();
}

Status DataControl::addNew()
{
    return report(m_source->addNew());
}

bool DataControl::hasTypedChanges() const
{
    return m_source->hasTypedChanges()
           || std::any_of(m_bindings.begin(), m_bindings.end(), [](const auto &b) { return b->refusedTyping; });
}

void DataControl::discardTyping()
{
    m_source->cancelPendingChanges();
    showCurrent();
    readReplacedFile();
}

void DataControl::readReplacedFile()
{
    // The rows of a file since replaced are read again from the file now in
    // its place, once no typing waits on them: typing is the clerk's to
    // settle (kept on screen until given up).
    if (m_rereading || !m_source->isStale() || hasTypedChanges())
        return;
    m_rereading = true;
    report(m_source->refresh());
    m_rereading = false;
}

KeptTyping DataControl::typing() const
{
    KeptTyping kept;
    const int row = m_source->currentRow();
    kept.newRow = row >= 0 && row == m_source->rowCount() - 1 && m_source->recordCount() < m_source->rowCount();
    for (int c = 0; row >= 0 && !kept.newRow && c < m_source->columnCount(); ++c)
        kept.row.emplace_back(m_source->headerData(c, Qt::Horizontal).toString(), m_source->valueAsRead(row, c));
    for (const auto &b : m_bindings) {
        const int c = m_source->columnIndex(b->column);
        const std::optional<QString> read = m_source->valueAsRead(row, c);
        const bool typed =
            c >= 0 && row >= 0
            && (m_source->isNull(row, b->column) != !read || m_source->text(row, b->column) != read.value_or(QString()));
        if (b->alive() && (typed || b->refusedTyping))
            kept.typed.emplace_back(b->column, b->text());
    }
    return kept;
}

int DataControl::findRow(const KeptTyping &kept) const
{
    if (int(kept.row.size()) != m_source->columnCount())
        return -1;
    for (int r = 0; r < m_source->rowCount(); ++r) {
        int c = 0;
        while (c < int(kept.row.size()) && m_source->valueAsRead(r, c) == kept.row[c].second)
            ++c;
        if (c == int(kept.row.size()))
            return r;
    }
    return -1;
}

void DataControl::retype(const KeptTyping &kept)
{
    for (const auto &[column, text] : kept.typed) {
        for (const auto &b : m_bindings) {
            if (b->alive() && b->column == column) {
                b->show(text);
                fieldEdited(b.get(), text);
            }
        }
    }
}

Status DataControl::update()
{
    return report(writeTyping());
}

Status DataControl::writeTyping()
{
    // Typing the result had no column for stays in its field, and the user
    // hears it was not saved rather than believing it was.
    QStringList refused;
    for (const auto &b : m_bindings) {
        if (b->refusedTyping)
            refused << b->column;
    }
    Status status = m_source->update();
    if (status && !refused.isEmpty()) {
        status =
            Status::failure(Fault::Refused, QStringLiteral("La saisie du champ %1 n'a pas été enregistrée : les lignes affichées "
                                                           "ne permettent pas de modifier cette colonne.")
                                                .arg(refused.join(QLatin1String(", "))));
    }
    return status;
}

Status DataControl::deleteCurrent()
{
    return report(m_source->deleteCurrent());
}

Status DataControl::report(const Status &status)
{
    if (!status) {
        Q_EMIT failed(status);
        if (status.fault() == Fault::Replaced)
            readReplacedFile();
    }
    return status;
}

} // namespace tavro
