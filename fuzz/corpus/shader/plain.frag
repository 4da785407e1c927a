uniform sampler2D t;
void main(){ gl_FragColor = texture2D(t, gl_TexCoord[0].xy); }