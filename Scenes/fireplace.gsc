; Emberhall's fireplace scene, written by tools/scene_data.
[MainScene]
Count=9

[MainScene1]
Type=TSceneTextureList
Name=Textures
Quality=High
ColorBit=32bit
MipMap=0
Count=2

[Textures1]
Type=TSceneTexture
Name=FLAME.jpg
TextureName=FLAME.jpg
AlphaName=FLAME.jpg
Format=Alpha

[Textures2]
Type=TSceneTexture
Name=ClockA.bmp
TextureName=clock.bmp
AlphaName=ClockA.bmp
Format=Alpha

[MainScene2]
Type=TSceneMaterialList
Name=Materials
Count=1

[Materials1]
Type=TSceneMaterial
Name=ClockFace
Count=1
Ambient1=1,1,1,1
Diffuse1=1,1,1,1
Specular1=0,0,0,1
Emission1=0,0,0,1
Shininess1=0

[MainScene3]
Type=TSceneMeshList
Name=Meshes
Materials=Materials
Textures=Textures
Count=3

[Meshes1]
Type=TSceneMesh
Name=Kamin1
SourceName=kamin01.3dm
FPS=6

[Meshes2]
Type=TSceneMesh
Name=Kamin2
SourceName=kamin02.3dm
FPS=6

[Meshes3]
Type=TSceneMesh
Name=Kamin3
SourceName=kamin03.3dm
FPS=6

[MainScene4]
Type=TMainLight
Name=Ambient
ProcessOptions=[Render]
Ambient=0.1,0.07,0.06,1

[MainScene5]
Type=TMainLight
Name=FireLight
ProcessOptions=[Render]
LightStyle=Point
Position=0,-55,-50
Ambient=0,0,0,1
Diffuse=1,0.62,0.28,1
Specular=0.4,0.25,0.1,1
ConstantAttenuation=0.45
LinearAttenuation=0.006
QuadraticAttenuation=0

[MainScene6]
Type=TMainVisualObject
Name=Fireplace
ProcessOptions=[Render,Animation]
Alpha=1
Visual=Meshes/Kamin1
Position=0,0,0
Angles=0,0,0
Scale=1,1,1
VisualOptions=[Position,Rotation]

[MainScene7]
Type=TSceneMeshList
Name=ClockSprites
Materials=Materials
Textures=Textures
Count=20

[ClockSprites1]
Type=TSceneSprite
Name=0
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=0
StartV=0

[ClockSprites2]
Type=TSceneSprite
Name=1
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=24
StartV=0

[ClockSprites3]
Type=TSceneSprite
Name=2
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=48
StartV=0

[ClockSprites4]
Type=TSceneSprite
Name=3
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=72
StartV=0

[ClockSprites5]
Type=TSceneSprite
Name=4
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=96
StartV=0

[ClockSprites6]
Type=TSceneSprite
Name=5
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=120
StartV=0

[ClockSprites7]
Type=TSceneSprite
Name=6
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=144
StartV=0

[ClockSprites8]
Type=TSceneSprite
Name=7
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=168
StartV=0

[ClockSprites9]
Type=TSceneSprite
Name=8
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=192
StartV=0

[ClockSprites10]
Type=TSceneSprite
Name=9
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=24
Height=40
OriginX=0
OriginY=0
StartU=216
StartV=0

[ClockSprites11]
Type=TSceneSprite
Name=sun
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=0
StartV=48

[ClockSprites12]
Type=TSceneSprite
Name=mon
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=64
StartV=48

[ClockSprites13]
Type=TSceneSprite
Name=tue
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=128
StartV=48

[ClockSprites14]
Type=TSceneSprite
Name=wed
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=192
StartV=48

[ClockSprites15]
Type=TSceneSprite
Name=thu
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=0
StartV=80

[ClockSprites16]
Type=TSceneSprite
Name=fri
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=64
StartV=80

[ClockSprites17]
Type=TSceneSprite
Name=sat
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=64
Height=28
OriginX=0
OriginY=0
StartU=128
StartV=80

[ClockSprites18]
Type=TSceneSprite
Name=colon
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=12
Height=40
OriginX=0
OriginY=0
StartU=0
StartV=112

[ClockSprites19]
Type=TSceneSprite
Name=am
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=40
Height=28
OriginX=0
OriginY=0
StartU=16
StartV=112

[ClockSprites20]
Type=TSceneSprite
Name=pm
Texture=Textures/ClockA.bmp
Material=Materials/ClockFace
Width=40
Height=28
OriginX=0
OriginY=0
StartU=64
StartV=112

[MainScene8]
Type=TMainSpriteList
Name=ClockParts
Alpha=1
ViewWidth=1024
ViewHeight=768
Position=0,0,0
Lighting=0
Count=12

[ClockParts1]
Type=TMainVisualObject
Name=time1
Visual=ClockSprites/0
Position=832,700,0
VisualOptions=[Position]

[ClockParts2]
Type=TMainVisualObject
Name=time2
Visual=ClockSprites/0
Position=856,700,0
VisualOptions=[Position]

[ClockParts3]
Type=TMainVisualObject
Name=time3
Visual=ClockSprites/colon
Position=880,700,0
VisualOptions=[Position]

[ClockParts4]
Type=TMainVisualObject
Name=time4
Visual=ClockSprites/0
Position=892,700,0
VisualOptions=[Position]

[ClockParts5]
Type=TMainVisualObject
Name=time5
Visual=ClockSprites/0
Position=916,700,0
VisualOptions=[Position]

[ClockParts6]
Type=TMainVisualObject
Name=time6
Visual=ClockSprites/am
Position=944,706,0
VisualOptions=[Position]

[ClockParts7]
Type=TMainVisualObject
Name=time7
Visual=ClockSprites/pm
Position=944,706,0
VisualOptions=[Position]

[ClockParts8]
Type=TMainVisualObject
Name=day
Visual=ClockSprites/sun
Position=832,664,0
VisualOptions=[Position]

[ClockParts9]
Type=TMainVisualObject
Name=month1
Visual=ClockSprites/0
Position=900,658,0
VisualOptions=[Position]

[ClockParts10]
Type=TMainVisualObject
Name=month2
Visual=ClockSprites/0
Position=924,658,0
VisualOptions=[Position]

[ClockParts11]
Type=TMainVisualObject
Name=month4
Visual=ClockSprites/0
Position=956,658,0
VisualOptions=[Position]

[ClockParts12]
Type=TMainVisualObject
Name=month5
Visual=ClockSprites/0
Position=980,658,0
VisualOptions=[Position]

[MainScene9]
Type=TGLClock
Name=GLClock
ProcessOptions=[Render,Animation]
Sprites=ClockSprites
Objects=ClockParts

