#pragma once

#include "binding/datacontrol.h"
#include "data/connection.h"
#include "data/rows/gridcolumns.h"

#include <QList>
#include <QString>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tavro {

class ClockBanner;
class CopyBanner;
class DataGrid;
class PickCombo;
struct QueryFragments;

// What one record window declares; the shared workflow does the rest.
struct RecordWindowSpec {
    struct Button {
        QString name;
        QString caption;
        QString toolTip;
    };
    struct Field {
        QString labelName;
        QString caption;
        QString editName;
        QString column;
        bool tall = false;  // the name: a taller box that wraps it whole
        bool large = false; // the postal code reads larger
    };

    QString titleName; // the blue-on-yellow title under the banner
    QString titleText;

    QList<Field> fields;
    QList<GridColumn> columns;
    QString gridCaption; // empty: no caption line
    QString initialQuery;
    QString showAllQuery;

    // The names the telephone and addresses windows share; the postal-code
    // window has its own.
    QString displayFrame = QStringLiteral("Frame1"); // caption "AFFICHAGE"
    QString handlingFrame = QStringLiteral("Frame4");
    QString handlingCaption = QStringLiteral("MANIPULATION");
    Button unlock{QStringLiteral("Command1"), QStringLiteral("&Modifier"), {}};
    Button count{QStringLiteral("Command3"), {}, {}};
    Button showAll{QStringLiteral("Command10"), QStringLiteral("AFFICHER TOUT"), {}};
    QString modificationFrame = QStringLiteral("Frame2");
    QString modificationCaption = QStringLiteral("MODIFICATION");
    Button addNew{QStringLiteral("Command4"), QStringLiteral("&Nouveau"), {}};
    Button save{QStringLiteral("Command5"), QStringLiteral("ENREGISTRER"), {}};
    Button remove{QStringLiteral("Command6"), QStringLiteral("&Supprimer"), {}};

    QString searchFrame = QStringLiteral("Frame3"); // caption "RECHERCHE"
    // The postal-code and telephone windows paint their working frames silver;
    // the addresses window keeps every frame dark.
    bool silverFrames = true;
    qreal fieldPointSize = 9.75;
    // Lines of the taller name field, enough for the longest names whole.
    int nameLines = 3;
    qreal largePointSize = 12;
    qreal labelPointSize = 9.75;
    // Buttons, lists, option buttons and the grid.
    qreal smallPointSize = 8.25;
};

// A record window: clock banner, pictures, title, display frame with the
// bound fields, grid with its data control, the handling and modification
// frames, a search frame the window fills, and the close button. Holds the
// editing workflow every record window shares; the lock state lives only in
// the display frame's enabled flag and the modification frame's visibility.
class RecordWindow : public QWidget {
    Q_OBJECT
public:
    explicit RecordWindow(const RecordWindowSpec &spec, QWidget *parent = nullptr);

    // Opens the initial query and fills the pick lists. A file another
    // program holds is waited for once; what could not be read then is read
    // again in the background, without a word, as soon as the file is free,
    // and never over typing or rows the clerk has asked for since.
    void load();

    DataControl *dataControl() const { return m_control; }
    bool isUnlocked() const;

    // The handlers of the shared buttons.
    void unlock();
    void addNew();
    void save();
    void deleteCurrent();
    void showCount();
    void showAll();
    void closeWindow();

    // Typing not yet written is written first, as a move does. When the
    // write is refused the clerk reads what was not saved and chooses: try
    // again, give the typing up and go on with `goingOn` (what is about to
    // happen, as the question names it: "fermer la fenêtre"), or cancel and
    // keep the typing on the screen. True when the caller may go on.
    bool settlePendingTyping(const QString &goingOn);

    // Typing not written yet, kept aside when the program must end: this
    // window's name and query, the row and the fields (nothing typed when
    // there is none).
    KeptTyping keptTyping() const;
    // Puts kept typing back: the edit password is asked first (unless the
    // window is unlocked already), then the
    // kept query is run and the row that still reads as kept gets the
    // typing in its fields, not written yet.
    enum class Restored { Yes, NoPassword, RowGone };
    Restored restoreTyping(const KeptTyping &kept);

protected:
    // Every way a record window closes comes here: its close button, its
    // frame's close box, the menu commands that close every window,
    // QUITTER and closing the main window.
    void closeEvent(QCloseEvent *event) override;

    // The window's own loading, after the initial query: its pick lists.
    virtual void loadPickLists() = 0;

    QGroupBox *searchFrame() const { return m_searchFrame; }

    // Points the record source at a query and shows its first row.
    void runQuery(const QString &sql);
    // A fresh shared connection, then the list's rows in the order returned.
    void fillPickList(PickCombo *combo, const QString &sql, const QString &column);
    // A pick: fresh shared connection, the item's rows, then the combo's
    // text after a choice.
    void connectPick(PickCombo *combo, const QueryFragments &fragments, const QString &textAfter);
    // An input-box search by prefix: Cancel gives the empty text, which
    // lists every row that has a value there.
    void searchByInput(const QString &prompt, const QueryFragments &fragments);

    QPushButton *makeSearchButton(const QString &name, const QString &caption, const QString &toolTip);

    // A search frame of one pick list over buttons that each search by input
    // box, the way the telephone and addresses windows have theirs.
    struct InputSearch {
        RecordWindowSpec::Button button;
        QString prompt;
        const QueryFragments *fragments;
    };
    PickCombo *buildListAndSearches(const RecordWindowSpec::Button &list, const QueryFragments &pick,
                                    const QList<InputSearch> &searches);
    // The window's own controls in its smaller face.
    PickCombo *makePickList(const RecordWindowSpec::Button &list);
    qreal smallPointSize() const { return m_spec.smallPointSize; }

private:
    void buildTopRow();
    void putGridFirst();
    QGroupBox *buildDisplayFrame();
    QWidget *buildMiddleColumn();
    QPushButton *makeButton(QWidget *parent, const RecordWindowSpec::Button &b, const QString &picture = {});
    QGroupBox *makeFrame(const QString &name, const QString &caption, bool silver);

    RecordWindowSpec m_spec;
    ClockBanner *m_banner = nullptr;
    CopyBanner *m_copyBanner = nullptr;
    DataControl *m_control = nullptr;
    DataGrid *m_grid = nullptr;
    QGroupBox *m_displayFrame = nullptr;
    QGroupBox *m_modificationFrame = nullptr;
    QGroupBox *m_searchFrame = nullptr;
    QWidget *m_topRow = nullptr;
    QWidget *m_body = nullptr;

    // Loading left for later because the data were busy.
    void retryLoading();
    bool m_gridPending = false;
    bool m_listsPending = false;
    Wait m_listWait = Wait::ForBusy; // how the pick lists being read wait
    bool m_listBusy = false;         // a pick list met busy data
    bool m_retrying = false;         // a tick under way
    QTimer *m_retry = nullptr;
};

} // namespace tavro
