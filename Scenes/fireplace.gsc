; Placeholder scene description until the scene data lands.
[Scene]
Name=Fireplace
