#pragma once

#include <QColor>
#include <QWidget>

class QComboBox;
class QTimer;

// A drop-down list whose items may be in any script. Each item carries a
// visible text (ListText) and a hidden value (ListCargo).
class ctlUnicodeCombo : public QWidget
{
    Q_OBJECT
public:
    explicit ctlUnicodeCombo(QWidget *parent = nullptr);

    // The selected index, 0-based; -1 when nothing is selected.
    int ListIndex() const;
    void setListIndex(int index);

    QString ListCargo(int index) const;
    void setListCargo(int index, const QString &value);
    QString ListText(int index) const;
    void setListText(int index, const QString &text);

    // The selected item's text ("" when nothing is selected).
    QString Text() const;
    // Selects the first item with exactly this text; no match leaves the
    // selection as it was.
    void setText(const QString &text);

    int ListCount() const;
    bool IsSelected(int index) const;

    // Appends an item, selects it and returns its index.
    int AddItem(const QString &text);
    void RemoveItem(int index);
    void ClearList();
    // Orders the items by their text as the user's locale sorts them, case
    // aside and numbers by value; the selected item stays selected.
    void Sort();

    bool Enabled() const { return isEnabled(); }
    void setEnabledState(bool enabled) { setEnabled(enabled); }

    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);

    // Kept for the window's sake; the list always drops down.
    int Style() const { return m_style; }
    void setStyle(int style) { m_style = style; }

    int NoOfRows() const;
    void setNoOfRows(int rows);

    // Moves the input focus into the list once the event loop runs again.
    void SetSuperfocus();

    QComboBox *list() const { return m_combo; }

signals:
    // The user chose an item (not raised for the program's own selections).
    void Change();
    void DblClick();
    void KeyDown(bool ctrl, int keyCode);
    void KeyUp(bool ctrl, int keyCode);
    void MouseMove(int x, int y);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyStyle();

    QComboBox *m_combo;
    QTimer *m_focusTimer;
    QColor m_foreColor = QColor(91, 91, 91);
    int m_style = 0;
};
