<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US">
<context>
    <name>LocalMusicSettings</name>
    <message numerus="yes">
        <source>%n album(s)</source>
        <translation><numerusform>%n album</numerusform><numerusform>%n albums</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n track(s)</source>
        <translation><numerusform>%n track</numerusform><numerusform>%n tracks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) skipped</source>
        <translation><numerusform>%n file skipped</numerusform><numerusform>%n files skipped</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%1. %n folder(s) couldn't be read; their albums are kept.</source>
        <translation><numerusform>%1. %n folder couldn't be read; its albums are kept.</numerusform><numerusform>%1. %n folders couldn't be read; their albums are kept.</numerusform></translation>
    </message>
</context>
<context>
    <name>PlaybackTexts</name>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation><numerusform>%n year ago</numerusform><numerusform>%n years ago</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation><numerusform>%n month ago</numerusform><numerusform>%n months ago</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n week(s) ago</source>
        <translation><numerusform>%n week ago</numerusform><numerusform>%n weeks ago</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation><numerusform>%n day ago</numerusform><numerusform>%n days ago</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation><numerusform>%n hour ago</numerusform><numerusform>%n hours ago</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation><numerusform>%n minute ago</numerusform><numerusform>%n minutes ago</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n second(s) ago</source>
        <translation><numerusform>%n second ago</numerusform><numerusform>%n seconds ago</numerusform></translation>
    </message>
    </context>
</TS>