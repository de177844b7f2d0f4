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
    <name>ChartView</name>
    <message>
        <source>Speed to %1 km/h</source>
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
    <name>MainWindow</name>
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
    <name>MelTypeList</name>
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
    <name>TopBar</name>
    <message>
        <source>Always on top</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
