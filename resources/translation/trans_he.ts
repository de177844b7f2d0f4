<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="he_IL">
<context>
    <name>AboutView</name>
    <message>
        <source>Information</source>
        <translation>מידע</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>תוכנה</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>זכויות יוצרים</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>קיצורי מקשים</translation>
    </message>
    <message>
        <source>Check update</source>
        <translation>בדיקת עדכון</translation>
    </message>
    <message>
        <source>TARVIK DASHCAM
Version %1

Plays the recordings of your dash camera with their map, speed and G-sensor data.</source>
        <translation>TARVIK DASHCAM
גרסה %1

מנגן את ההקלטות של מצלמת הרכב עם המפה, המהירות ונתוני חיישן התאוצה.</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 TARVIK DASHCAM developers.

This program uses Qt, libvlc, FFmpeg, Leaflet, RapidJSON and zlib under their own licences.</source>
        <translation>Copyright (C) 2026 מפתחי TARVIK DASHCAM.

תוכנה זו משתמשת ב-Qt, libvlc, FFmpeg, Leaflet, RapidJSON ו-zlib לפי הרישיונות שלהם.</translation>
    </message>
    <message>
        <source>Space	Play / pause
Left	5 seconds (or one frame) back
Right	5 seconds (or one frame) forward
Enter	Full screen
Esc	Leave full screen
Delete	Remove the selected files from the list</source>
        <translation>Space	הפעלה / השהיה
Left	5 שניות (או פריים אחד) אחורה
Right	5 שניות (או פריים אחד) קדימה
Enter	מסך מלא
Esc	יציאה ממסך מלא
Delete	הסרת הקבצים שנבחרו מהרשימה</translation>
    </message>
    <message>
        <source>Network Communication is not support now.</source>
        <translation>תקשורת רשת אינה נתמכת כעת.</translation>
    </message>
    <message>
        <source>There is no update version now.</source>
        <translation>אין כרגע גרסת עדכון.</translation>
    </message>
</context>
<context>
    <name>AgreementView</name>
    <message>
        <source>Privacy agreement</source>
        <translation>הסכמת פרטיות</translation>
    </message>
    <message>
        <source>Look for program updates automatically</source>
        <translation>חיפוש עדכונים אוטומטי</translation>
    </message>
    <message>
        <source>Send the status log automatically after a crash</source>
        <translation>שליחת יומן המצב אוטומטית לאחר קריסה</translation>
    </message>
    <message>
        <source>Agree</source>
        <translation>מסכים</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>Privacy statement

This viewer plays the recordings of your dash camera, shows where and how fast the vehicle was driven, and edits the camera&apos;s settings on the memory card. All of this happens on this computer: recordings, positions and settings are never sent anywhere.

While it runs, the viewer keeps a status log (playerStatus.txt) in your application data folder. It records what the program did (for example which window was opened or that a file could not be read) so that problems can be found. It does not record the contents of your recordings, your positions or your personal information, and it is deleted when the program closes normally.

Two choices below are optional:
 - Look for program updates automatically: at start the program asks our update server whether a newer version exists. Only the version number is sent.
 - Send the status log automatically after a crash: if the program ends unexpectedly, the status log is compressed and uploaded so that we can find the cause. It is used only for that purpose and deleted afterwards.

You can change both choices later in the settings. If you do not agree, the program closes and no information is used.</source>
        <translation>הצהרת פרטיות

מציג זה מנגן את ההקלטות של מצלמת הרכב שלך, מראה היכן ובאיזו מהירות נסע הרכב ועורך את הגדרות המצלמה בכרטיס הזיכרון. כל זה מתבצע במחשב זה בלבד: הקלטות, מיקומים והגדרות אינם נשלחים לשום מקום.

בזמן הפעולה התוכנה שומרת יומן מצב (playerStatus.txt) בתיקיית נתוני היישומים שלך. הוא מתעד מה התוכנה עשתה כדי לאתר תקלות, ואינו מתעד את תוכן ההקלטות, את מיקומך או מידע אישי. היומן נמחק כאשר התוכנה נסגרת כרגיל.

שתי הבחירות שלהלן הן רשות:
 - חיפוש עדכונים אוטומטי: בעת ההפעלה התוכנה שואלת את שרת העדכונים אם קיימת גרסה חדשה. נשלח רק מספר הגרסה.
 - שליחת יומן המצב אוטומטית לאחר קריסה: אם התוכנה נסגרת באופן בלתי צפוי, יומן המצב נדחס ונשלח כדי שנוכל למצוא את הסיבה. הוא משמש למטרה זו בלבד ונמחק לאחר מכן.

ניתן לשנות את שתי הבחירות מאוחר יותר בהגדרות. אם אינך מסכים, התוכנה נסגרת ואין שימוש בשום מידע.</translation>
    </message>
    <message>
        <source>If you do not agree to the collection and use of personal information, you cannot use this program.</source>
        <translation>אם אינך מסכים לאיסוף ולשימוש במידע אישי, לא ניתן להשתמש בתוכנה זו.</translation>
    </message>
</context>
<context>
    <name>CardFormatter</name>
    <message>
        <source>Can not move temp Config folder!</source>
        <translation>לא ניתן להעביר את תיקיית Config הזמנית!</translation>
    </message>
    <message>
        <source>Can not copy item to temp config folder!</source>
        <translation>לא ניתן להעתיק פריט לתיקיית config הזמנית!</translation>
    </message>
    <message>
        <source>Can not back root! Check sdcard connection!</source>
        <translation>לא ניתן לחזור לשורש! בדוק את חיבור כרטיס ה-SD!</translation>
    </message>
    <message>
        <source>Can not move sd Config folder!</source>
        <translation>לא ניתן להעביר את תיקיית Config בכרטיס!</translation>
    </message>
    <message>
        <source>Only a removable SD card can be formatted!</source>
        <translation>ניתן לפרמט רק כרטיס SD נשלף!</translation>
    </message>
    <message>
        <source>The card could not be formatted!</source>
        <translation>לא ניתן היה לפרמט את הכרטיס!</translation>
    </message>
    <message>
        <source>Can not copy item to sd config folder</source>
        <translation>לא ניתן להעתיק פריט לתיקיית config בכרטיס</translation>
    </message>
    <message>
        <source>Every file on %1 (%2, %3, mounted at %4) will be erased. The camera&apos;s CONFIG folder is kept.</source>
        <translation>כל הקבצים ב-%1 (%2, %3, מחובר ב-%4) יימחקו. תיקיית CONFIG של המצלמה תישמר.</translation>
    </message>
    <message>
        <source>Format SD Card</source>
        <translation>פרמוט כרטיס SD</translation>
    </message>
    <message>
        <source>Formatting the SD card...</source>
        <translation>מפרמט את כרטיס ה-SD...</translation>
    </message>
    <message>
        <source>Fail to format SDCard!</source>
        <translation>פרמוט כרטיס ה-SD נכשל!</translation>
    </message>
</context>
<context>
    <name>CardZone</name>
    <message>
        <source>UTC%1 from the card&apos;s config.bin</source>
        <translation>UTC%1 לפי config.bin של הכרטיס</translation>
    </message>
    <message>
        <source>computer time zone %1</source>
        <translation>אזור הזמן של המחשב %1</translation>
    </message>
</context>
<context>
    <name>ChartView</name>
    <message>
        <source>Speed to %1 km/h</source>
        <translation>מהירות עד %1 קמ&quot;ש</translation>
    </message>
</context>
<context>
    <name>ExportPlan</name>
    <message>
        <source>There is no select channel</source>
        <translation>לא נבחר ערוץ</translation>
    </message>
    <message>
        <source>The end of the span must come after its start.</source>
        <translation>סוף הקטע חייב לבוא אחרי תחילתו.</translation>
    </message>
    <message>
        <source>A channel file is missing.</source>
        <translation>קובץ של ערוץ חסר.</translation>
    </message>
</context>
<context>
    <name>ExportRunner</name>
    <message>
        <source>Cancelled</source>
        <translation>בוטל</translation>
    </message>
    <message>
        <source>Nothing was written to %1</source>
        <translation>דבר לא נכתב אל %1</translation>
    </message>
    <message>
        <source>No picture of this channel was taken for %1</source>
        <translation>לא צולמה תמונה של ערוץ זה עבור %1</translation>
    </message>
    <message>
        <source>Could not write %1</source>
        <translation>לא ניתן לכתוב את %1</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>לא ניתן לקרוא את %1</translation>
    </message>
    <message>
        <source>Nothing to run</source>
        <translation>אין מה להריץ</translation>
    </message>
    <message>
        <source>Could not write the filter graph: %1</source>
        <translation>לא ניתן לכתוב את גרף המסננים: %1</translation>
    </message>
    <message>
        <source>ffmpeg could not be started (%1): %2</source>
        <translation>לא ניתן להפעיל את ffmpeg ‏(%1): %2</translation>
    </message>
    <message>
        <source>ffmpeg stopped unexpectedly</source>
        <translation>ffmpeg נעצר באופן בלתי צפוי</translation>
    </message>
    <message>
        <source>ffmpeg failed (exit code %1): %2</source>
        <translation>ffmpeg נכשל (קוד יציאה %1): %2</translation>
    </message>
    <message>
        <source>No telemetry was written</source>
        <translation>לא נכתבו נתוני נסיעה</translation>
    </message>
</context>
<context>
    <name>FileFormatThread</name>
    <message>
        <source>Copying the CONFIG folder...</source>
        <translation>מעתיק את תיקיית CONFIG...</translation>
    </message>
    <message>
        <source>Formatting the SD card...</source>
        <translation>מפרמט את כרטיס ה-SD...</translation>
    </message>
    <message>
        <source>Restoring the CONFIG folder...</source>
        <translation>משחזר את תיקיית CONFIG...</translation>
    </message>
</context>
<context>
    <name>GsensorEvents</name>
    <message>
        <source>Hard braking</source>
        <translation>בלימת חירום</translation>
    </message>
    <message>
        <source>Impact</source>
        <translation>פגיעה</translation>
    </message>
</context>
<context>
    <name>LanguageView</name>
    <message>
        <source>Language</source>
        <translation>שפה</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>אישור</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
</context>
<context>
    <name>LauncherTalk</name>
    <message>
        <source>Update Message</source>
        <translation>הודעת עדכון</translation>
    </message>
    <message>
        <source>find Update Version</source>
        <translation>חיפוש גרסת עדכון</translation>
    </message>
    <message>
        <source>Would you like to download now?</source>
        <translation>האם להוריד עכשיו?</translation>
    </message>
    <message>
        <source>DownLoad Fail</source>
        <translation>ההורדה נכשלה</translation>
    </message>
    <message>
        <source>Check your Network state</source>
        <translation>בדוק את מצב הרשת</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>SD is not exist!</source>
        <translation>כרטיס SD אינו קיים!</translation>
    </message>
    <message>
        <source>Program Reset</source>
        <translation>איפוס התוכנה</translation>
    </message>
    <message>
        <source>Program will be quit.</source>
        <translation>התוכנה תיסגר.</translation>
    </message>
    <message>
        <source>Restore camera settings</source>
        <translation>שחזור הגדרות המצלמה</translation>
    </message>
    <message>
        <source>The last SD card format did not finish. The card&apos;s CONFIG folder was kept. Copy it to the card now?</source>
        <translation>הפרמוט האחרון של כרטיס ה-SD לא הסתיים. תיקיית CONFIG של הכרטיס נשמרה. להעתיק אותה לכרטיס עכשיו?</translation>
    </message>
    <message>
        <source>The SD card</source>
        <translation>כרטיס ה-SD</translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation>הושלם!</translation>
    </message>
    <message>
        <source>Can not copy item to sd config folder</source>
        <translation>לא ניתן להעתיק פריט לתיקיית config בכרטיס</translation>
    </message>
    <message>
        <source>Play a recording first: its channels are what is saved.</source>
        <translation>נגן הקלטה תחילה: הערוצים שלה הם שנשמרים.</translation>
    </message>
    <message>
        <source>Play a recording first: its pictures are what is printed.</source>
        <translation>נגן הקלטה תחילה: התמונות שלה הן שמודפסות.</translation>
    </message>
</context>
<context>
    <name>MapView</name>
    <message>
        <source>Map</source>
        <translation>מפה</translation>
    </message>
    <message>
        <source>No GPS fix</source>
        <translation>אין קליטת GPS</translation>
    </message>
    <message>
        <source>Speed (%1)</source>
        <translation>מהירות (%1)</translation>
    </message>
    <message>
        <source>Map unavailable</source>
        <translation>המפה אינה זמינה</translation>
    </message>
    <message>
        <source>No GPS position</source>
        <translation>אין מיקום GPS</translation>
    </message>
</context>
<context>
    <name>MelFileComboBox</name>
    <message>
        <source>  All Type</source>
        <translation>  הכול</translation>
    </message>
    <message>
        <source>  Filter</source>
        <translation>  מסנן</translation>
    </message>
</context>
<context>
    <name>MelFileListItem</name>
    <message>
        <source>  Delete at list  </source>
        <translation>  מחיקה מהרשימה  </translation>
    </message>
    <message>
        <source>  Delete from disk  </source>
        <translation>  מחיקה מהדיסק  </translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>פתיחת קובץ</translation>
    </message>
    <message>
        <source>Movie file (*.avi *.mp4)</source>
        <translation>קובץ וידאו (*.avi *.mp4)</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>פתיחת תיקייה</translation>
    </message>
    <message>
        <source>There is no item.</source>
        <translation>אין פריט.</translation>
    </message>
    <message>
        <source>Item is exist!</source>
        <translation>הפריט כבר קיים!</translation>
    </message>
    <message>
        <source>Item format is different with our service supproted!</source>
        <translation>תבנית הקובץ אינה נתמכת!</translation>
    </message>
    <message>
        <source>Do you want to delete the selected files at disk?</source>
        <translation>למחוק את הקבצים שנבחרו מהדיסק?</translation>
    </message>
    <message>
        <source>Do you want to delete the selected files at list?</source>
        <translation>למחוק את הקבצים שנבחרו מהרשימה?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>אזהרה</translation>
    </message>
    <message>
        <source>These files could not be deleted from the disk:
%1</source>
        <translation>לא ניתן היה למחוק את הקבצים האלה מהדיסק:
%1</translation>
    </message>
    <message>
        <source>Only files on this computer can be opened:
%1</source>
        <translation>ניתן לפתוח רק קבצים שנמצאים במחשב זה:
%1</translation>
    </message>
</context>
<context>
    <name>MelShortcutTable</name>
    <message>
        <source>Open Video File</source>
        <translation>פתיחת קובץ וידאו</translation>
    </message>
    <message>
        <source>Open SD Card</source>
        <translation>פתיחת כרטיס SD</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>שפה</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>הדפסה</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>שמירה</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>הגדרות</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>מידע</translation>
    </message>
</context>
<context>
    <name>PlayControlView</name>
    <message>
        <source>Frm</source>
        <translation>פריים</translation>
    </message>
    <message>
        <source>Sec</source>
        <translation>שנ׳</translation>
    </message>
    <message>
        <source>Step unit</source>
        <translation>יחידת צעד</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>מחיקה</translation>
    </message>
    <message>
        <source>Delete the current file</source>
        <translation>מחיקת הקובץ הנוכחי</translation>
    </message>
    <message>
        <source>0.5x</source>
        <translation>0.5x</translation>
    </message>
    <message>
        <source>1x</source>
        <translation>1x</translation>
    </message>
    <message>
        <source>1.5x</source>
        <translation>1.5x</translation>
    </message>
    <message>
        <source>2x</source>
        <translation>2x</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>מהירות</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>הפעלה / השהיה</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>עצירה</translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation>הקובץ הקודם</translation>
    </message>
    <message>
        <source>Next file</source>
        <translation>הקובץ הבא</translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation>הפריים הקודם</translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation>5 שניות אחורה</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>הפריים הבא</translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation>5 שניות קדימה</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>צילום מסך</translation>
    </message>
    <message>
        <source>Flip</source>
        <translation>היפוך</translation>
    </message>
    <message>
        <source>Sound on</source>
        <translation>הפעלת צליל</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>השתקה</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>עוצמה</translation>
    </message>
</context>
<context>
    <name>PlayerInterface</name>
    <message>
        <source>The video player could not be started, so no recording can be played.</source>
        <translation>לא ניתן היה להפעיל את נגן הווידאו, ולכן אי אפשר לנגן הקלטות.</translation>
    </message>
    <message>
        <source>The recording cannot be read:
%1</source>
        <translation>לא ניתן לקרוא את ההקלטה:
%1</translation>
    </message>
    <message>
        <source>This recording has no video and cannot be played:
%1</source>
        <translation>בהקלטה זו אין וידאו ולא ניתן לנגן אותה:
%1</translation>
    </message>
    <message>
        <source>The recording could not be played:
%1</source>
        <translation>לא ניתן היה לנגן את ההקלטה:
%1</translation>
    </message>
</context>
<context>
    <name>PrintChannelSelectView</name>
    <message>
        <source>Print</source>
        <translation>הדפסה</translation>
    </message>
    <message>
        <source>Channels to print</source>
        <translation>ערוצים להדפסה</translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation>תמונה קדמית</translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation>תמונה אחורית 1</translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation>תמונה אחורית 2</translation>
    </message>
    <message>
        <source>Channel 4</source>
        <translation>ערוץ 4</translation>
    </message>
    <message>
        <source>Channel 5</source>
        <translation>ערוץ 5</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>אישור</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>There is not selected channel!</source>
        <translation>לא נבחר ערוץ!</translation>
    </message>
</context>
<context>
    <name>PrintView</name>
    <message>
        <source>Print</source>
        <translation>הדפסה</translation>
    </message>
    <message>
        <source>Memo</source>
        <translation>הערה</translation>
    </message>
    <message>
        <source>Lines of 40 characters are printed.</source>
        <translation>ההערה מודפסת בשורות של 40 תווים.</translation>
    </message>
    <message>
        <source>Apply memo</source>
        <translation>החל הערה</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>The report could not be printed.</source>
        <translation>לא ניתן להדפיס את הדוח.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Could not write %1: %2</source>
        <translation>לא ניתן לכתוב את %1: %2</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>לא ניתן לקרוא את %1: %2</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>בוטל</translation>
    </message>
</context>
<context>
    <name>RecordingTelemetry</name>
    <message>
        <source>cut short: %1 of %2 telemetry samples readable</source>
        <translation>קטוע: %1 מתוך %2 דגימות טלמטריה קריאות</translation>
    </message>
</context>
<context>
    <name>ReportPage</name>
    <message>
        <source>Date: </source>
        <translation>תאריך: </translation>
    </message>
    <message>
        <source>Speed: </source>
        <translation>מהירות: </translation>
    </message>
    <message>
        <source>FileName: </source>
        <translation>שם קובץ: </translation>
    </message>
    <message>
        <source>Model Name: </source>
        <translation>דגם: </translation>
    </message>
    <message>
        <source>Memo: </source>
        <translation>הערה: </translation>
    </message>
    <message>
        <source>Report</source>
        <translation>דוח</translation>
    </message>
</context>
<context>
    <name>RightSideView</name>
    <message>
        <source>File list</source>
        <translation>רשימת קבצים</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>מפה</translation>
    </message>
</context>
<context>
    <name>SDCardView</name>
    <message>
        <source>Setting file is not exist!</source>
        <translation>קובץ ההגדרות אינו קיים!</translation>
    </message>
    <message>
        <source>checksum is different!</source>
        <translation>סכום הביקורת שונה!</translation>
    </message>
    <message>
        <source>This model is not supported!</source>
        <translation>דגם זה אינו נתמך!</translation>
    </message>
    <message>
        <source>This model is not support!</source>
        <translation>דגם זה אינו נתמך!</translation>
    </message>
    <message>
        <source>SD Card</source>
        <translation>כרטיס SD</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>כונן</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>שם</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>סה&quot;כ</translation>
    </message>
    <message>
        <source>Used</source>
        <translation>בשימוש</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>פנוי</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>רענון</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>פתח</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>SD Card is not connected!</source>
        <translation>כרטיס ה-SD אינו מחובר!</translation>
    </message>
    <message>
        <source>SD Card is not selected!</source>
        <translation>לא נבחר כרטיס SD!</translation>
    </message>
    <message>
        <source>Error is occured!</source>
        <translation>אירעה שגיאה!</translation>
    </message>
    <message>
        <source>SD Card is Empty!</source>
        <translation>כרטיס ה-SD ריק!</translation>
    </message>
</context>
<context>
    <name>SaveAsView</name>
    <message>
        <source>Choose Save Scene</source>
        <translation>בחירת תמונות לשמירה</translation>
    </message>
    <message>
        <source>File Setting</source>
        <translation>הגדרות קובץ</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>ערוץ</translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation>תמונה קדמית</translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation>תמונה אחורית 1</translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation>תמונה אחורית 2</translation>
    </message>
    <message>
        <source>Channel 4</source>
        <translation>ערוץ 4</translation>
    </message>
    <message>
        <source>Channel 5</source>
        <translation>ערוץ 5</translation>
    </message>
    <message>
        <source>Snapshot</source>
        <translation>תמונת מצב</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>וידאו</translation>
    </message>
    <message>
        <source>Telemetry</source>
        <translation>נתוני נסיעה</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>תיקייה</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>שינוי</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>סוג</translation>
    </message>
    <message>
        <source>From / to</source>
        <translation>מ־ / עד</translation>
    </message>
    <message>
        <source>Side by side (all chosen channels in one video)</source>
        <translation>זה לצד זה (כל הערוצים שנבחרו בסרטון אחד)</translation>
    </message>
    <message>
        <source>GPS track (GPX) beside the video</source>
        <translation>מסלול GPS ‏(GPX) לצד הסרטון</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>תבנית</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>חזרה</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>שמירה</translation>
    </message>
    <message>
        <source>There is no select channel</source>
        <translation>לא נבחר ערוץ</translation>
    </message>
    <message>
        <source>Search Folder</source>
        <translation>חיפוש תיקייה</translation>
    </message>
    <message>
        <source>The samples of this span are written.</source>
        <translation>נכתבות הדגימות של קטע זה.</translation>
    </message>
    <message>
        <source>The video is encoded anew: it starts exactly at &quot;from&quot;.</source>
        <translation>הסרטון מקודד מחדש: הוא מתחיל בדיוק ב&quot;מ־&quot;.</translation>
    </message>
    <message>
        <source>Cut without encoding anew: the clip starts at the key frame at or before &quot;from&quot;.</source>
        <translation>חיתוך ללא קידוד מחדש: הקטע מתחיל בפריים המפתח שב&quot;מ־&quot; או לפניו.</translation>
    </message>
    <message>
        <source>The whole recording. Set &quot;from&quot; and &quot;to&quot; (or the marks I and O on the time line) to save a part.</source>
        <translation>ההקלטה כולה. כדי לשמור חלק, קבע &quot;מ־&quot; ו&quot;עד&quot; (או הסימנים I ו־O בציר הזמן).</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>הקובץ קיים</translation>
    </message>
    <message>
        <source>These files exist already:
%1
Replace them?</source>
        <translation>הקבצים האלה כבר קיימים:
%1
להחליף אותם?</translation>
    </message>
    <message>
        <source>Could not create the folder %1</source>
        <translation>לא ניתן ליצור את התיקייה %1</translation>
    </message>
    <message>
        <source>Saving...</source>
        <translation>שומר...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>Saving %1 (%2 of %3)...</source>
        <translation>שומר את %1 (%2 מתוך %3)...</translation>
    </message>
    <message>
        <source>Complete to Save Snapshot!</source>
        <translation>שמירת תמונות המצב הושלמה!</translation>
    </message>
    <message>
        <source>Complete File Download!</source>
        <translation>שמירת הקובץ הושלמה!</translation>
    </message>
    <message>
        <source>Saving was cancelled; no partial file was kept.</source>
        <translation>השמירה בוטלה; לא נשאר קובץ חלקי.</translation>
    </message>
    <message>
        <source>Saving failed: %1</source>
        <translation>השמירה נכשלה: %1</translation>
    </message>
</context>
<context>
    <name>SceneArea</name>
    <message>
        <source>Front</source>
        <translation>קדמית</translation>
    </message>
    <message>
        <source>CAM 1</source>
        <translation>CAM 1</translation>
    </message>
    <message>
        <source>CAM 2</source>
        <translation>CAM 2</translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation>תמונה קדמית</translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation>תמונה אחורית 1</translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation>תמונה אחורית 2</translation>
    </message>
</context>
<context>
    <name>SettingOpt</name>
    <message>
        <source>unknown</source>
        <translation>לא ידוע</translation>
    </message>
</context>
<context>
    <name>SettingOptCrashReport</name>
    <message>
        <source>Status log</source>
        <translation>יומן מצב</translation>
    </message>
    <message>
        <source>The status log records what the program did. It holds no recordings and no positions.</source>
        <translation>יומן המצב מתעד את מה שהתוכנה עשתה. אין בו הקלטות ואין בו מיקומים.</translation>
    </message>
    <message>
        <source>Send the status log automatically after a crash</source>
        <translation>שלח את יומן המצב אוטומטית לאחר קריסה</translation>
    </message>
    <message>
        <source>Send now</source>
        <translation>שלח עכשיו</translation>
    </message>
    <message>
        <source>The launcher is not running. The status log can only be sent while the program was started by its launcher.</source>
        <translation>המשגר אינו פועל. ניתן לשלוח את יומן המצב רק כשהתוכנה הופעלה דרך המשגר.</translation>
    </message>
</context>
<context>
    <name>SettingOptProgram</name>
    <message>
        <source>Program Version</source>
        <translation>גרסת התוכנה</translation>
    </message>
    <message>
        <source>Client ID</source>
        <translation>מזהה לקוח</translation>
    </message>
    <message>
        <source>Program Reset</source>
        <translation>איפוס התוכנה</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>איפוס</translation>
    </message>
    <message>
        <source>(not assigned yet)</source>
        <translation>(עדיין לא הוקצה)</translation>
    </message>
</context>
<context>
    <name>SettingOptUpdate</name>
    <message>
        <source>Current Version</source>
        <translation>גרסה נוכחית</translation>
    </message>
    <message>
        <source>Look for updates and download them automatically</source>
        <translation>חפש עדכונים והורד אותם אוטומטית</translation>
    </message>
    <message>
        <source>Check update</source>
        <translation>בדוק עדכונים</translation>
    </message>
    <message>
        <source>The launcher is not running. Updates can only be looked for while the program was started by its launcher.</source>
        <translation>המשגר אינו פועל. ניתן לחפש עדכונים רק כשהתוכנה הופעלה דרך המשגר.</translation>
    </message>
</context>
<context>
    <name>SettingView</name>
    <message>
        <source>Setting</source>
        <translation>הגדרות</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>מכשיר</translation>
    </message>
    <message>
        <source>PC Viewer</source>
        <translation>מציג PC</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>ברירת מחדל</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>אישור</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>There is no camera setting file. Open the camera&apos;s SD card to change its settings.</source>
        <translation>אין קובץ הגדרות של המצלמה. פתח את כרטיס ה-SD של המצלמה כדי לשנות את הגדרותיה.</translation>
    </message>
    <message>
        <source>This model is not support!</source>
        <translation>דגם זה אינו נתמך!</translation>
    </message>
    <message>
        <source>This model is not supported!</source>
        <translation>דגם זה אינו נתמך!</translation>
    </message>
    <message>
        <source>Program Setting</source>
        <translation>הגדרות התוכנה</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>עדכון</translation>
    </message>
    <message>
        <source>Crash Report</source>
        <translation>דוח קריסה</translation>
    </message>
    <message>
        <source>There are unsaved settings.</source>
        <translation>יש הגדרות שלא נשמרו.</translation>
    </message>
    <message>
        <source>Initialize</source>
        <translation>אתחול</translation>
    </message>
    <message>
        <source>Every camera setting returns to its default. Save to keep it.</source>
        <translation>כל הגדרות המצלמה יחזרו לברירת המחדל. שמור כדי לקבע זאת.</translation>
    </message>
    <message>
        <source>Error Occured!</source>
        <translation>אירעה שגיאה!</translation>
    </message>
    <message>
        <source>SD is not exist!</source>
        <translation>כרטיס ה-SD אינו קיים!</translation>
    </message>
    <message>
        <source>Device Reset</source>
        <translation>איפוס המכשיר</translation>
    </message>
    <message>
        <source>The memory will be formatted to return some settings to defaults.</source>
        <translation>הזיכרון יפורמט כדי להחזיר חלק מההגדרות לברירת המחדל.</translation>
    </message>
    <message>
        <source>It can&apos;t go back if you clicked yes.</source>
        <translation>לאחר לחיצה על כן לא ניתן לחזור.</translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation>הושלם!</translation>
    </message>
    <message>
        <source>Do you Really want to file format?</source>
        <translation>האם אתה באמת רוצה לפרמט?</translation>
    </message>
</context>
<context>
    <name>TelemetryExport</name>
    <message>
        <source>Times in UTC from the file names&apos; local time, %1. Speed in %2, G-sensor in g.</source>
        <translation>הזמנים ב-UTC מהזמן המקומי שבשמות הקבצים, %1. מהירות ב-%2, חיישן G ב-g.</translation>
    </message>
    <message>
        <source>There is no telemetry in the chosen time.</source>
        <translation>אין טלמטריה בזמן שנבחר.</translation>
    </message>
    <message>
        <source>The camera had no GPS position in the chosen time.</source>
        <translation>למצלמה לא היה מיקום GPS בזמן שנבחר.</translation>
    </message>
    <message>
        <source>The file cannot be written.</source>
        <translation>לא ניתן לכתוב את הקובץ.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>לא ניתן לכתוב את %1: %2</translation>
    </message>
    <message>
        <source>The recording holds no telemetry.</source>
        <translation>בהקלטה אין טלמטריה.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>TopBar</name>
    <message>
        <source>Always on top</source>
        <translation>תמיד למעלה</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>מזעור</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>הגדלה</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>סגירה</translation>
    </message>
</context>
<context>
    <name>TypeFilterState</name>
    <message>
        <source>All Type</source>
        <translation>כל הסוגים</translation>
    </message>
    <message>
        <source>Infinity</source>
        <translation>רציף</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>אירוע</translation>
    </message>
    <message>
        <source>Parking</source>
        <translation>חניה</translation>
    </message>
    <message>
        <source>User</source>
        <translation>ידני</translation>
    </message>
</context>
<context>
    <name>UpdateView</name>
    <message>
        <source>Update</source>
        <translation>עדכון</translation>
    </message>
    <message>
        <source>Look for program updates automatically</source>
        <translation>חיפוש עדכונים אוטומטי</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>שמירה</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>אישור</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>ביטול</translation>
    </message>
    <message>
        <source>Path: </source>
        <translation>נתיב: </translation>
    </message>
    <message>
        <source>New Version: </source>
        <translation>גרסה חדשה: </translation>
    </message>
    <message>
        <source>There is new version of the program.</source>
        <translation>קיימת גרסה חדשה של התוכנה.</translation>
    </message>
    <message>
        <source>If you click the download button, it will be downloaded to the path below.</source>
        <translation>לחיצה על כפתור ההורדה תוריד את הקובץ לנתיב שלהלן.</translation>
    </message>
    <message>
        <source>When the download is complete, close the program and run the installation file.</source>
        <translation>בסיום ההורדה סגור את התוכנה והפעל את קובץ ההתקנה.</translation>
    </message>
    <message>
        <source>A new version of the program has been downloaded to the path below.</source>
        <translation>גרסה חדשה של התוכנה הורדה לנתיב שלהלן.</translation>
    </message>
    <message>
        <source>Close the program and run the installation file.</source>
        <translation>סגור את התוכנה והפעל את קובץ ההתקנה.</translation>
    </message>
    <message>
        <source>Network Communication is not working.</source>
        <translation>התקשורת ברשת אינה פועלת.</translation>
    </message>
    <message>
        <source>Update Message</source>
        <translation>הודעת עדכון</translation>
    </message>
    <message>
        <source>Download is complete.</source>
        <translation>ההורדה הושלמה.</translation>
    </message>
    <message>
        <source>Would you like to install now?</source>
        <translation>האם להתקין עכשיו?</translation>
    </message>
    <message>
        <source>Fail to Download</source>
        <translation>ההורדה נכשלה</translation>
    </message>
</context>
<context>
    <name>VLCComponent</name>
    <message>
        <source>The recording could not be played.</source>
        <translation>לא ניתן היה לנגן את ההקלטה.</translation>
    </message>
    <message>
        <source>The recording shows no picture.</source>
        <translation>ההקלטה אינה מציגה תמונה.</translation>
    </message>
</context>
<context>
    <name>WaitAlertView</name>
    <message>
        <source>Download</source>
        <translation>שמירה</translation>
    </message>
    <message>
        <source>The new version is being downloaded.
Please wait a moment.</source>
        <translation>הגרסה החדשה בהורדה.
נא להמתין רגע.</translation>
    </message>
</context>
</TS>
