import QtQuick.Controls.Material as M

M.Slider {
}
