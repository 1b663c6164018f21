#pragma once

#include "SimulinkDataTypes.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace monitoring {
class IModelNode;
}

namespace SimulinkDataTypes {

// What QML sees of one variable of the monitored model. Its texts are taken from the
// node once the tree is complete, so they stay right when the tree renames the node
// and after the tree is gone: the interface detaches every variable before it drops
// the tree, and a detached variable no longer reaches the board.
class SimulinkVariable : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString path READ path CONSTANT)
    Q_PROPERTY(QString parentPath READ parentPath CONSTANT)
    Q_PROPERTY(QString collapsedState READ collapsedState WRITE setCollapsedState NOTIFY collapsedStateChanged)
    Q_PROPERTY(QString type READ type CONSTANT)
    Q_PROPERTY(SimulinkDataTypes::VariableType variableType READ variableType CONSTANT)
    Q_PROPERTY(bool generatedName READ generatedName CONSTANT)
    Q_PROPERTY(bool impSignal READ impSignal CONSTANT)

public:
    // Marks the variables the model's author highlighted, anywhere in the path.
    static constexpr QLatin1StringView HighlightMark{"HalvoraHighlightedItems"};

    ~SimulinkVariable() override;

    virtual uint16_t referenceId() const = 0;
    virtual uint16_t modelReferenceIndex() const = 0;
    virtual uint16_t elementSize() const = 0;
    // Forgets the node: from now on the variable shows its texts and nothing else.
    virtual void detach();
    bool isDetached() const { return !m_node; }

    QString name() const { return m_name; }
    QString path() const { return m_path; }
    QString parentPath() const { return m_parentPath; }
    QString collapsedState() const { return m_collapsedState; }
    void setCollapsedState(const QString &state);
    QString type() const { return m_type; }
    VariableType variableType() const { return m_variableType; }
    bool generatedName() const { return m_generatedName; }
    bool impSignal() const { return m_impSignal; }

    // The type text and the kind of variable a node type code stands for.
    static QString typeText(int32_t typeCode);
    static VariableType variableTypeOf(int32_t typeCode);

signals:
    void QSG_sync();
    void collapsedStateChanged();

protected:
    SimulinkVariable(QObject *parent, monitoring::IModelNode *node);

private:
    monitoring::IModelNode *m_node;
    QString m_name;
    QString m_path;
    QString m_parentPath;
    QString m_collapsedState = QStringLiteral("collapsed");
    QString m_type;
    VariableType m_variableType;
    bool m_generatedName;
    bool m_impSignal;
};

} // namespace SimulinkDataTypes
