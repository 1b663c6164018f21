#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>

// One editable row of the Hardware Setup screen, bound to one field inside a board
// record that the board's settings editor owns. The row writes the user's edits
// straight into that field and keeps a field state (unchanged, changed, in error)
// that the screen colours and that decides whether the record goes back to the
// board. The row never owns its field: the editor detaches its rows before its
// records go, and a detached row stores and reads nothing.
class HwSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Type type READ getType CONSTANT)
    Q_PROPERTY(QString name READ getName CONSTANT)
    Q_PROPERTY(bool isPassword READ isPassword CONSTANT)
    Q_PROPERTY(int maxLength READ getMaxLength CONSTANT)
    Q_PROPERTY(double minValue READ getMinValue CONSTANT)
    Q_PROPERTY(double maxValue READ getMaxValue CONSTANT)
    Q_PROPERTY(int maxDecimals READ getMaxDecimals CONSTANT)
    Q_PROPERTY(FieldState fieldState READ getFieldState NOTIFY FieldStateChanged)
    Q_PROPERTY(QString stringValue READ getStringValue NOTIFY ValueChanged)
    Q_PROPERTY(bool boolPosition READ boolPosition NOTIFY ValueChanged)
    Q_PROPERTY(bool pendingChanges READ hasPending NOTIFY ValuePendingChanged)

public:
    enum Type {
        EmptyLine = 0,
        SectionName = 1,
        SubSectionName = 2,
        String = 3,    // a byte buffer of maxLength bytes holding UTF-8 text and its NUL
        IpAddress = 4, // 4 bytes, first octet at the lowest address; 0 is no address
        Bool = 5,      // one byte, 0 off, anything else on
        Int8 = 6,
        Uint8 = 7,
        Int16 = 8,
        Uint16 = 9,
        Int32 = 10,
        Uint32 = 11,
        Float = 12,
    };
    Q_ENUM(Type)

    enum FieldState {
        Unchanged = 0,
        Changed = 1, // edited, valid, and not what was accepted last
        Error = 2,   // edited and refused
    };
    Q_ENUM(FieldState)

    // A rule of the editor over one or more rows; fills message when it refuses.
    using ValidationCallback = bool (*)(void *userData, HwSetting *setting, QString &message);

    // A section or sub-section heading (or a blank line): no field.
    HwSetting(QObject *parent, const QString &name, Type headingType);
    // Text in a buffer of maxLength bytes.
    HwSetting(QObject *parent, const QString &name, char *text, int maxLength, bool isPassword,
              ValidationCallback callback, void *userData);
    // An IPv4 address (4 bytes, network order), a switch byte, or a number of one of
    // the integer types or Float in the machine's byte order, accepted within
    // [minValue, maxValue].
    HwSetting(QObject *parent, const QString &name, Type type, void *field, ValidationCallback callback, void *userData,
              double minValue = 0, double maxValue = 0, int maxDecimals = 0);

    // Rows checked again whenever this one is edited; this row itself may be listed.
    void setLinkedSettings(const QList<HwSetting *> &linked) { m_linked = linked; }
    // Forgets the field: from now on the row stores and reads nothing.
    void detach() { m_field = nullptr; }
    bool isBound() const { return m_field != nullptr; }

    // Whether a text may be sent to the board in this row.
    bool isValueValid(const QString &text) const;

    bool boolPosition() const;

    Q_INVOKABLE void editingTextChanged(QString updatedString);
    Q_INVOKABLE void editingValueFinished(QString updatedString);
    Q_INVOKABLE void boolValueUpdated(bool checked);

public slots:
    void setGuiValues(bool localUpdate = false, QString updatedString = QString());
    QString getName() const { return m_name; }
    QString getStringValue() const { return m_stringValue; }
    HwSetting::FieldState getFieldState() const { return m_fieldState; }
    bool hasPending() const { return m_fieldState == Changed; }
    bool hasError() const { return m_fieldState == Error; }

    // Connected by the tab: the board took the edits, or they are thrown away.
    void acceptChanges();
    void discardChanges();

private slots:
    HwSetting::Type getType() const { return m_type; }
    bool isPassword() const { return m_isPassword; }
    int getMaxLength() const { return m_maxLength; }
    double getMinValue() const { return m_minValue; }
    double getMaxValue() const { return m_maxValue; }
    int getMaxDecimals() const { return m_maxDecimals; }
    double getBoolPosition() const;

signals:
    void ValueChanged();
    void FieldStateChanged(HwSetting::FieldState fieldState);
    void ValuePendingChanged();

private:
    void store(const QString &text);
    void storeText(const QString &text);
    QString fieldText() const;
    void setFieldState(FieldState state);

    const Type m_type;
    const QString m_name;
    int m_maxLength = 0;
    bool m_isPassword = false;
    double m_minValue = 0;
    double m_maxValue = 0;
    int m_maxDecimals = 0;
    // The bound field, whatever its type; null for headings and once detached.
    uint8_t *m_field = nullptr;
    void *m_userData = nullptr;
    ValidationCallback m_callback = nullptr;
    QList<HwSetting *> m_linked;
    QString m_stringValue;
    QString m_acceptedText;
    bool m_acceptedPosition = false;
    FieldState m_fieldState = Unchanged;
};
