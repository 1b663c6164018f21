#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// The named colours of the program's look, shared by every control. Each is a
// constant; nothing is stored, every read makes the colour anew.
class OstrelColors : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor martian READ martian CONSTANT)
    Q_PROPERTY(QColor background READ background CONSTANT)
    Q_PROPERTY(QColor mainBorderColor READ mainBorderColor CONSTANT)
    Q_PROPERTY(QColor borderColor READ borderColor CONSTANT)
    Q_PROPERTY(QColor accentBorderColor READ accentBorderColor CONSTANT)
    Q_PROPERTY(QColor unknownStatusColor READ unknownStatusColor CONSTANT)
    Q_PROPERTY(QColor cursorColor READ cursorColor CONSTANT)
    Q_PROPERTY(QColor bigButtonColor READ bigButtonColor CONSTANT)
    Q_PROPERTY(QColor bigButtonHoverColor READ bigButtonHoverColor CONSTANT)
    Q_PROPERTY(QColor buttonColor READ buttonColor CONSTANT)
    Q_PROPERTY(QColor dangerButtonColor READ dangerButtonColor CONSTANT)
    Q_PROPERTY(QColor dialogButtonContainerColor READ dialogButtonContainerColor CONSTANT)
    Q_PROPERTY(QColor navigationBarColor READ navigationBarColor CONSTANT)
    Q_PROPERTY(QColor toolBarColor READ toolBarColor CONSTANT)
    Q_PROPERTY(QColor primaryTextColor READ primaryTextColor CONSTANT)
    Q_PROPERTY(QColor secondaryTextColor READ secondaryTextColor CONSTANT)
    Q_PROPERTY(QColor textFieldBackground READ textFieldBackground CONSTANT)
    Q_PROPERTY(QColor textFieldForeground READ textFieldForeground CONSTANT)
    Q_PROPERTY(QColor tableColumnColor READ tableColumnColor CONSTANT)
    Q_PROPERTY(QColor tableRowColor READ tableRowColor CONSTANT)
    Q_PROPERTY(QColor tableSelectedRowColor READ tableSelectedRowColor CONSTANT)
    Q_PROPERTY(QColor selectionColor READ selectionColor CONSTANT)
    Q_PROPERTY(QColor selectedTextColor READ selectedTextColor CONSTANT)
    Q_PROPERTY(QColor accentColor READ accentColor CONSTANT)
    Q_PROPERTY(QColor formFieldLabelBackground READ formFieldLabelBackground CONSTANT)
    Q_PROPERTY(QColor formFieldLabelDivider READ formFieldLabelDivider CONSTANT)
    Q_PROPERTY(QColor formFieldControlBackground READ formFieldControlBackground CONSTANT)
    Q_PROPERTY(QColor formFieldContentBackground READ formFieldContentBackground CONSTANT)
    Q_PROPERTY(QColor formFieldTextUnderline READ formFieldTextUnderline CONSTANT)
    Q_PROPERTY(QColor formFieldToggleTrue READ formFieldToggleTrue CONSTANT)
    Q_PROPERTY(QColor formFieldToggleFalse READ formFieldToggleFalse CONSTANT)

public:
    static OstrelColors *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    using QObject::QObject;

    QColor martian() const { return QColor::fromString(u"#EE1E47"); }
    QColor background() const { return QColor::fromString(u"#ffffff"); }
    QColor mainBorderColor() const { return QColor::fromString(u"#cccbca"); }
    QColor borderColor() const { return QColor::fromString(u"#c8c8c8"); }
    QColor accentBorderColor() const { return QColor::fromString(u"#FBAF37"); }
    QColor unknownStatusColor() const { return QColor::fromString(u"#b4b4b4"); }
    QColor cursorColor() const { return QColor::fromString(u"#000000"); }
    QColor bigButtonColor() const { return QColor::fromString(u"#f3f3f3"); }
    QColor bigButtonHoverColor() const { return QColor::fromString(u"#d3d3d3"); }
    QColor buttonColor() const { return QColor::fromString(u"#000000"); }
    QColor dangerButtonColor() const { return QColor::fromString(u"#dd0830"); }
    QColor dialogButtonContainerColor() const { return QColor::fromString(u"#eeeeee"); }
    QColor navigationBarColor() const { return QColor::fromString(u"#f3f3f3"); }
    QColor toolBarColor() const { return QColor::fromString(u"#e6e6e6"); }
    QColor primaryTextColor() const { return QColor::fromString(u"#000000"); }
    QColor secondaryTextColor() const { return QColor::fromString(u"#1d252e"); }
    QColor textFieldBackground() const { return QColor::fromString(u"#ffffff"); }
    QColor textFieldForeground() const { return QColor::fromString(u"#1c75bc"); }
    QColor tableColumnColor() const { return QColor::fromString(u"#f3f3f3"); }
    QColor tableRowColor() const { return QColor::fromString(u"#e6e6e6"); }
    QColor tableSelectedRowColor() const { return QColor::fromString(u"#d1ece7"); }
    QColor selectionColor() const { return QColor::fromString(u"#1c75bc"); }
    QColor selectedTextColor() const { return QColor::fromString(u"#ffffff"); }
    QColor accentColor() const { return QColor::fromString(u"#3db199"); }
    QColor formFieldLabelBackground() const { return QColor::fromString(u"#f3f3f3"); }
    QColor formFieldLabelDivider() const { return QColor::fromString(u"#dfdfdf"); }
    QColor formFieldControlBackground() const { return QColor::fromString(u"#e6e6e6"); }
    QColor formFieldContentBackground() const { return QColor::fromString(u"#cccccc"); }
    QColor formFieldTextUnderline() const { return QColor::fromString(u"#e3e3e3"); }
    QColor formFieldToggleTrue() const { return QColor::fromString(u"#3CB099"); }
    QColor formFieldToggleFalse() const { return QColor::fromString(u"#B4B4B4"); }
};
