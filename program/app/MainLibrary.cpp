// The main window's link to the library: the one place that calls the
// library's entry points. Each call is followed by a look at its stop: the
// library's own message goes into a message box; a stop of the set-up, a
// step, the node values or the photograph also ends the run, and the window
// stays usable, so that the next Start sets up a new run.
#include "app/Main.h"

#include <QTimer>

#include <string>

#include "app/MainShared.h"
#include "controls/MyOpenGL.h"
#include "controls/Shapes.h"
#include "platform/MessageBoxes.h"
#include "qelta.h"

namespace vorlantic {

namespace {

// The message of the stop that ended the entry-point call just made; empty
// when the call ran to its end.
QString StopMessage() {
    int size = 0, length = 0;
    get_stop_message(nullptr, &size, &length);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    size = length + 1;
    get_stop_message(text.data(), &size, &length);
    text.resize(static_cast<std::size_t>(length));
    return QString::fromStdString(text);
}

}  // namespace

bool TfrmMain::LibraryAnswered(LibraryCall call) {
    const QString message = StopMessage();
    if (message.isEmpty()) return true;
    // The run ends before the box goes up: no tick steps it meanwhile.
    if (call != LibraryCall::Schematic) EndRun();
    if (call == LibraryCall::NodeValues || call == LibraryCall::Photograph) {
        // The library has left the arrays half filled: the plot lets go of
        // them, and only a new fetch or photograph fills them again.
        if (call == LibraryCall::NodeValues) FNodeCount = FCellCount = FHangCount = 0;
        FPhotoWidth = FPhotoHeight = FPhotoNodeCount = FPhotoCellCount = 0;
        FPlot->setVariables(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr);
        FPlot->Image = FPlot->Intensity = FPlot->ImageGridX = FPlot->ImageGridY = nullptr;
        FPlot->ImageNx = FPlot->ImageNy = 0;
        ClearPlot();
        MyOpenGL1->update();
    }
    // One box for a schematic that keeps stopping on each redraw.
    if (call == LibraryCall::Schematic) {
        if (message == FSchematicStop) return false;
        FSchematicStop = message;
    }
    platform::MessageBox(message, "Error", platform::MsgButtons::Ok, platform::MsgIcon::Error, this);
    return false;
}

void TfrmMain::OpenOptics() {
    initial_optics();
    FMaxElements = getIntPar(10);
    FMaxPar = getIntPar(11);
    FMaxRays = getIntPar(12);
    FMaxRaySets = getIntPar(13);
}

void TfrmMain::CloseOptics() { close_optics(); }

bool TfrmMain::StartLibraryRun() {
    FCapacity = getIntPar(0);
    if (!FNodeX) AllocateNodeArrays();
    initialize_qelta(FRealPar.get(), FIntPar.get());
    return LibraryAnswered(LibraryCall::Run);
}

bool TfrmMain::StepLibraryRun() {
    step(&FProgress);
    return LibraryAnswered(LibraryCall::Run);
}

void TfrmMain::CloseRecording() { close_recording_file(); }

bool TfrmMain::FetchNodeValues() {
    get_cell_vertex(FNodeX.get(), FNodeY.get(), &FNodeCount, FCellNodes.get(), &FCellCount, FHangNodes.get(),
                    &FHangCount, FNodeR.get(), FNodeP.get(), FNodeUx.get(), FNodeUy.get());
    return LibraryAnswered(LibraryCall::NodeValues);
}

bool TfrmMain::TracePhotograph(bool flatten) {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, pixel = 0;
    if (FOpticsIntPar[kWindowSet] != 0) {
        x0 = MyOpenGL1->ViewXMin;
        y0 = MyOpenGL1->ViewYMin;
        x1 = MyOpenGL1->ViewXMax;
        y1 = MyOpenGL1->ViewYMax;
        pixel = MyOpenGL1->width() > 0 ? (x1 - x0) / MyOpenGL1->width() : 0;
    }
    if (flatten) {
        FRaySetCount = 1;
        FlattenShapes();
    }
    OPTICS_SHADOWGRAPH_A(FOpticsRealPar.get(), FOpticsIntPar.get(), FElementPar.get(), FElementCode.get(),
                         &FElementCount, FNodeX.get(), FNodeY.get(), &FNodeCount, FCellNodes.get(), &FCellCount,
                         FHangNodes.get(), &FHangCount, FNodeR.get(), FPhotoX.get(), FPhotoY.get(), &FPhotoNodeCount,
                         &FPhotoCellCount, FPhotoCellNodes.get(), FPhotoValue.get(), &x0, &y0, &x1, &y1, &pixel,
                         &FPhotoX0, &FPhotoY0, &FPhotoX1, &FPhotoY1, &FPhotoWidth, &FPhotoHeight,
                         FPhotoImage.get());
    return LibraryAnswered(LibraryCall::Photograph);
}

void TfrmMain::TraceSchematic() {
    OPTICS_SHADOWGRAPH_A0(FOpticsRealPar.get(), FOpticsIntPar.get(), FElementPar.get(), FElementCode.get(),
                          &FElementCount, FRayX.get(), FRayY.get(), &FRaySetCount, FRayResult.get());
    if (LibraryAnswered(LibraryCall::Schematic)) FSchematicStop.clear();
}

}  // namespace vorlantic
