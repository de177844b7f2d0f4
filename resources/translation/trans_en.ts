<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutView</name>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TARVIK DASHCAM
Version %1

Plays the recordings of your dash camera with their map, speed and G-sensor data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright (C) 2026 TARVIK DASHCAM developers.

This program uses Qt, libvlc, FFmpeg, Leaflet, RapidJSON and zlib under their own licences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Space	Play / pause
Left	5 seconds (or one frame) back
Right	5 seconds (or one frame) forward
Enter	Full screen
Esc	Leave full screen
Delete	Remove the selected files from the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network Communication is not support now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no update version now.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AgreementView</name>
    <message>
        <source>Privacy agreement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Look for program updates automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send the status log automatically after a crash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Agree</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Privacy statement

This viewer plays the recordings of your dash camera, shows where and how fast the vehicle was driven, and edits the camera&apos;s settings on the memory card. All of this happens on this computer: recordings, positions and settings are never sent anywhere.

While it runs, the viewer keeps a status log (playerStatus.txt) in your application data folder. It records what the program did (for example which window was opened or that a file could not be read) so that problems can be found. It does not record the contents of your recordings, your positions or your personal information, and it is deleted when the program closes normally.

Two choices below are optional:
 - Look for program updates automatically: at start the program asks our update server whether a newer version exists. Only the version number is sent.
 - Send the status log automatically after a crash: if the program ends unexpectedly, the status log is compressed and uploaded so that we can find the cause. It is used only for that purpose and deleted afterwards.

You can change both choices later in the settings. If you do not agree, the program closes and no information is used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If you do not agree to the collection and use of personal information, you cannot use this program.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CardFormatter</name>
    <message>
        <source>Can not move temp Config folder!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can not copy item to temp config folder!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can not back root! Check sdcard connection!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can not move sd Config folder!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only a removable SD card can be formatted!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The card could not be formatted!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can not copy item to sd config folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every file on %1 (%2, %3, mounted at %4) will be erased. The camera&apos;s CONFIG folder is kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format SD Card</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formatting the SD card...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to format SDCard!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CardZone</name>
    <message>
        <source>UTC%1 from the card&apos;s config.bin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>computer time zone %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChartView</name>
    <message>
        <source>Speed to %1 km/h</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ExportPlan</name>
    <message>
        <source>There is no select channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The end of the span must come after its start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A channel file is missing.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ExportRunner</name>
    <message>
        <source>Cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was written to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No picture of this channel was taken for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not write %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to run</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not write the filter graph: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ffmpeg could not be started (%1): %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ffmpeg stopped unexpectedly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ffmpeg failed (exit code %1): %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No telemetry was written</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileFormatThread</name>
    <message>
        <source>Copying the CONFIG folder...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Formatting the SD card...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restoring the CONFIG folder...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GsensorEvents</name>
    <message>
        <source>Hard braking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Impact</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LanguageView</name>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LauncherTalk</name>
    <message>
        <source>Update Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>find Update Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to download now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DownLoad Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check your Network state</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>SD is not exist!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program will be quit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore camera settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The last SD card format did not finish. The card&apos;s CONFIG folder was kept. Copy it to the card now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The SD card</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Can not copy item to sd config folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play a recording first: its channels are what is saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play a recording first: its pictures are what is printed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MapView</name>
    <message>
        <source>Map</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No GPS fix</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Map unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No GPS position</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MelFileComboBox</name>
    <message>
        <source>  All Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Filter</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MelFileListItem</name>
    <message>
        <source>  Delete at list  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Delete from disk  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Movie file (*.avi *.mp4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no item.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Item is exist!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Item format is different with our service supproted!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to delete the selected files at disk?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to delete the selected files at list?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These files could not be deleted from the disk:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only files on this computer can be opened:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MelShortcutTable</name>
    <message>
        <source>Open Video File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open SD Card</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayControlView</name>
    <message>
        <source>Frm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step unit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete the current file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.5x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1.5x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2x</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sound on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Volume</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayerInterface</name>
    <message>
        <source>The video player could not be started, so no recording can be played.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recording cannot be read:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This recording has no video and cannot be played:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recording could not be played:
%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrintChannelSelectView</name>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channels to print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not selected channel!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrintView</name>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Memo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lines of 40 characters are printed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply memo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The report could not be printed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Could not write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RecordingTelemetry</name>
    <message>
        <source>cut short: %1 of %2 telemetry samples readable</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ReportPage</name>
    <message>
        <source>Date: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FileName: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model Name: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Memo: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RightSideView</name>
    <message>
        <source>File list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Map</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SDCardView</name>
    <message>
        <source>Setting file is not exist!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>checksum is different!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This model is not supported!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This model is not support!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SD Card</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Used</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SD Card is not connected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SD Card is not selected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error is occured!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SD Card is Empty!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SaveAsView</name>
    <message>
        <source>Choose Save Scene</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Snapshot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Telemetry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From / to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Side by side (all chosen channels in one video)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPS track (GPX) beside the video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no select channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The samples of this span are written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video is encoded anew: it starts exactly at &quot;from&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut without encoding anew: the clip starts at the key frame at or before &quot;from&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The whole recording. Set &quot;from&quot; and &quot;to&quot; (or the marks I and O on the time line) to save a part.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File exists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These files exist already:
%1
Replace them?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not create the folder %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving %1 (%2 of %3)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Complete to Save Snapshot!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Complete File Download!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving was cancelled; no partial file was kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SceneArea</name>
    <message>
        <source>Front</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAM 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAM 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingOpt</name>
    <message>
        <source>unknown</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingOptCrashReport</name>
    <message>
        <source>Status log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The status log records what the program did. It holds no recordings and no positions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send the status log automatically after a crash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The launcher is not running. The status log can only be sent while the program was started by its launcher.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingOptProgram</name>
    <message>
        <source>Program Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Client ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(not assigned yet)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingOptUpdate</name>
    <message>
        <source>Current Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Look for updates and download them automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The launcher is not running. Updates can only be looked for while the program was started by its launcher.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingView</name>
    <message>
        <source>Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PC Viewer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no camera setting file. Open the camera&apos;s SD card to change its settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This model is not support!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This model is not supported!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Crash Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are unsaved settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initialize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every camera setting returns to its default. Save to keep it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error Occured!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SD is not exist!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The memory will be formatted to return some settings to defaults.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It can&apos;t go back if you clicked yes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you Really want to file format?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TelemetryExport</name>
    <message>
        <source>Times in UTC from the file names&apos; local time, %1. Speed in %2, G-sensor in g.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no telemetry in the chosen time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The camera had no GPS position in the chosen time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file cannot be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recording holds no telemetry.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TopBar</name>
    <message>
        <source>Always on top</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TypeFilterState</name>
    <message>
        <source>All Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Infinity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Event</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UpdateView</name>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Look for program updates automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Path: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Version: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is new version of the program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If you click the download button, it will be downloaded to the path below.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>When the download is complete, close the program and run the installation file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new version of the program has been downloaded to the path below.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close the program and run the installation file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network Communication is not working.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download is complete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to install now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to Download</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VLCComponent</name>
    <message>
        <source>The recording could not be played.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recording shows no picture.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WaitAlertView</name>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new version is being downloaded.
Please wait a moment.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
