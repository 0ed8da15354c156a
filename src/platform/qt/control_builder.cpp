// BuildControls: one widget per template row, by kind and style.
#include "platform/qt/control_builder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <algorithm>

#include "platform/qt/control_layout.h"
#include "platform/qt/request_scroll_bar.h"

namespace vesperine::qt {

namespace {

QString Caption(const ControlTemplate& spec) {
    return QString::fromLatin1(spec.caption.data(), static_cast<int>(spec.caption.size()));
}

bool Has(const ControlTemplate& spec, Style style) { return (spec.styles & style) != 0; }

// On the platform the template comes from, a button, radio button or check box takes a click
// anywhere in its rectangle, not only on its bevel, mark or caption as a style may decide.
template <typename Button>
class WholeRectButton final : public Button {
public:
    using Button::Button;

protected:
    [[nodiscard]] bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

QWidget* BuildMultiLineEdit(const ControlTemplate& spec, QWidget& parent, const DialogUnits& units) {
    auto* edit = new QPlainTextEdit(&parent);
    // A template border is one thin line; the text then starts one dialog unit inside the
    // control, where the panes' column headings start.
    edit->setFrameStyle(QFrame::Box | QFrame::Plain);
    edit->setLineWidth(1);
    edit->document()->setDocumentMargin(std::max(0, units.X(1) - edit->frameWidth()));
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Has(spec, kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(Has(spec, kAutoHScroll) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAnywhere);
    edit->setReadOnly(Has(spec, kReadOnly));
    edit->setTabChangesFocus(true);  // Tab moves on, as in every dialog
    return edit;
}

QWidget* BuildLineEdit(const ControlTemplate& spec, QWidget& parent) {
    auto* edit = new QLineEdit(&parent);
    edit->setReadOnly(Has(spec, kReadOnly));
    edit->setFrame(Has(spec, kBorder));
    return edit;
}

QWidget* BuildButton(const ControlTemplate& spec, QWidget& parent) {
    auto* button = new WholeRectButton<QPushButton>(Caption(spec), &parent);
    // Enter belongs to the dialog's OK step, never to a focused or default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QWidget* BuildLabel(const ControlTemplate& spec, QWidget& parent) {
    auto* label = new QLabel(ShownCaption(spec.caption), &parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setMargin(0);
    label->setIndent(0);
    // Static text never takes a click: one lying over a control lets the click through.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QWidget* BuildWidget(const ControlTemplate& spec, QWidget& parent, const DialogUnits& units) {
    switch (spec.kind) {
        case ControlKind::Edit:
            return Has(spec, kMultiLine) ? BuildMultiLineEdit(spec, parent, units) : BuildLineEdit(spec, parent);
        case ControlKind::Button: return BuildButton(spec, parent);
        case ControlKind::Radio: {
            auto* radio = new WholeRectButton<QRadioButton>(Caption(spec), &parent);
            radio->setAutoExclusive(false);  // its QButtonGroup keeps it exclusive
            return radio;
        }
        case ControlKind::Check: return new WholeRectButton<QCheckBox>(Caption(spec), &parent);
        case ControlKind::ScrollBar: return new RequestScrollBar(&parent);
        case ControlKind::Label: return BuildLabel(spec, parent);
        case ControlKind::GroupBox: {
            auto* box = new QGroupBox(Caption(spec), &parent);
            box->setFocusPolicy(Qt::NoFocus);
            // A frame is only drawn: "Assist Func" lies over the swap button in the stacking
            // order, and the click must reach the button.
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            return box;
        }
    }
    return nullptr;
}

Qt::FocusPolicy FocusPolicyOf(const ControlTemplate& spec) {
    switch (spec.kind) {
        case ControlKind::Edit: return Has(spec, kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
        case ControlKind::Button:
        case ControlKind::Radio:
        case ControlKind::Check: return Has(spec, kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
        default: return Qt::NoFocus;
    }
}

}  // namespace

QString ShownCaption(std::string_view caption) {
    return QString::fromLatin1(caption.data(), static_cast<int>(caption.size()))
        .replace(QStringLiteral("&&"), QStringLiteral("&"));
}

BuiltControls BuildControls(QWidget& parent, const DialogUnits& units) {
    BuiltControls built;
    QButtonGroup* group = nullptr;
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& spec : kControls) {
        QWidget* widget = BuildWidget(spec, parent, units);
        widget->setGeometry(units.Rect(spec.x, spec.y, spec.w, spec.h));
        widget->setFocusPolicy(FocusPolicyOf(spec));
        // A radio group runs from its group-start button to the next control starting a group.
        if (Has(spec, kGroupStart)) group = nullptr;
        if (spec.kind == ControlKind::Radio) {
            if (!group) {
                group = new QButtonGroup(&parent);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QRadioButton*>(widget), spec.id);
        }
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previousTabStop) QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
        built.inTemplateOrder.push_back(widget);
        if (spec.id != kNoId) built.byId[spec.id] = widget;
    }
    // Each lower() puts a control beneath all before it, so the first row ends up on top.
    for (QWidget* widget : built.inTemplateOrder) widget->lower();
    return built;
}

}  // namespace vesperine::qt
