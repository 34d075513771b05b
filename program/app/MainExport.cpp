// The Tecplot export of the main window: the node values of the last fetch
// in Tecplot's ASCII format.
#include "app/Main.h"

#include <QApplication>
#include <QFile>

#include <charconv>
#include <cstdio>
#include <string>

#include "platform/Dialogs.h"
#include "platform/MessageBoxes.h"

namespace vorlantic {

namespace {

// printf's "%f" in the C locale: six decimals.
void AppendFixed(std::string& out, double value) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (ec == std::errc()) out.append(buffer, end);
}

}  // namespace

void TfrmMain::Save1Click() {
    SaveDialog1.DefaultExt = "cfd";
    SaveDialog1.FileName = "*." + SaveDialog1.DefaultExt;
    SaveDialog1.Filter = SaveDialog1.FileName;
    if (!SaveDialog1.Execute(this)) return;
    if (!WriteTecplotFile(SaveDialog1.FileName))
        platform::MessageBox("Could not save file " + SaveDialog1.FileName, QApplication::applicationDisplayName(),
                             platform::MsgButtons::Ok, platform::MsgIcon::None, this);
}

// Tecplot ASCII, finite-element points, one zone of quadrilaterals: x, y,
// density, pressure and velocity per node, then the four nodes (from 1) of
// each cell.
bool TfrmMain::WriteTecplotFile(const QString& fileName) const {
    std::FILE* file = std::fopen(QFile::encodeName(fileName).constData(), "w+");
    if (!file) return false;
    std::string text = "title =  \"QELTA data file \"\n";
    text += "variables =\"x\",\"y\",\"r\",\"p\",\"ux\",\"uy\"\n";
    text += "zone N=" + std::to_string(FNodeCount) + ", E=" + std::to_string(FCellCount) +
            " ,F=FEPOINT,ET=QUADRILATERAL\n";
    bool ok = std::fputs(text.c_str(), file) >= 0;
    const double* columns[] = {FNodeX.get(), FNodeY.get(), FNodeR.get(), FNodeP.get(), FNodeUx.get(), FNodeUy.get()};
    for (int n = 0; ok && FNodeX && n < FNodeCount; ++n) {
        text.clear();
        for (int k = 0; k < 6; ++k) {
            if (k > 0) text += ' ';
            AppendFixed(text, columns[k][n]);
        }
        text += '\n';
        ok = std::fputs(text.c_str(), file) >= 0;
    }
    for (int c = 0; ok && FCellNodes && c < FCellCount; ++c) {
        text.clear();
        for (int k = 0; k < 4; ++k) {
            if (k > 0) text += ' ';
            text += std::to_string(FCellNodes[c + static_cast<std::size_t>(k) * FCapacity]);
        }
        text += '\n';
        ok = std::fputs(text.c_str(), file) >= 0;
    }
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace vorlantic
