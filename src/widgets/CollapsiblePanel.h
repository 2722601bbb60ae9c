#pragma once

#include <QList>
#include <QScrollArea>
#include <QWidget>

class Collapsible_Group;
class QVBoxLayout;

// A titled panel of a Collapsible_Group. A click on its title bar collapses it to the title
// bar, the next one expands it again. Its controls are children of Body().
class Collapsible_Panel : public QWidget {
    Q_OBJECT

public:
    explicit Collapsible_Panel(Collapsible_Group *group);

    QWidget *Body() const { return Body_Area; }
    QWidget *Title_Bar() const { return Title; }

    void Set_Caption(const QString &caption);
    QString Caption() const { return Caption_Text; }
    // The caption's font and where the title bar draws it.
    QFont Caption_Font() const;
    QRect Caption_Area() const;

    bool Collapsed() const { return Is_Collapsed; }
    void Set_Collapsed(bool collapsed);

    // Sizes the expanded panel to end 12 px below last, a control on Body(), under the title
    // bar of the group.
    void Fit_Below(const QWidget *last);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Apply_Height();

    QWidget *Title;
    QWidget *Body_Area;
    QString Caption_Text;
    int Body_Height = 0;
    bool Is_Collapsed = false;
};

// A vertically scrolling stack of titled panels that share one title-bar height. Panels are
// created hidden with the group as their parent and shown by Stack.
class Collapsible_Group : public QScrollArea {
    Q_OBJECT

public:
    explicit Collapsible_Group(QWidget *parent);

    int Title_Height() const { return 26; }

    // Shows panels and stacks them from the top in this order, without gaps.
    void Stack(const QList<Collapsible_Panel *> &panels);

    // Scrolls by one line, up or down.
    void Scroll_Line(bool up);

private:
    friend class Collapsible_Panel;
    QWidget *Stack_Area;
    QVBoxLayout *Stack_Layout;
};
