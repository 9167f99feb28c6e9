#pragma once

#include "unicodeinput/ui/UnicodeInputControl.h"

#include <QColor>

class QComboBox;

// A drop-down list whose items may be in any script. Each item carries a
// visible text (ListText) and a hidden value (ListCargo). Change tells of the
// user choosing an item, never of the program's own selections.
class ctlUnicodeCombo : public UnicodeInputControl
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

    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor &color);

    // Kept for the window's sake; the list always drops down.
    int Style() const { return m_style; }
    void setStyle(int style) { m_style = style; }

    int NoOfRows() const;
    void setNoOfRows(int rows);

    QComboBox *list() const { return m_combo; }

signals:
    void DblClick();
    void MouseMove(int x, int y);

protected:
    bool refusesKey(const QKeyEvent &event) const override;
    void editorEvent(QEvent *event) override;

private:
    void applyStyle();

    QComboBox *m_combo;
    QColor m_foreColor = QColor(91, 91, 91);
    int m_style = 0;
};
